#include "platform/qt/qt_application.h"

#include <QApplication>
#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace platform {

namespace {

// QApplication keeps references to argc and argv for its whole life, so they live here rather
// than in whichever caller happened to come first.
int storedArgc = 0;
std::vector<std::string> storedArguments;
std::vector<char*> storedArgv;
QApplication* application = nullptr;

// What Qt says while it starts, held back until it is known whether it could: a start that
// fails says so in one line of ours instead of the platform plugin's several.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};
std::vector<HeldMessage> heldMessages;

std::string NamedDisplay()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        return qEnvironmentVariable("DISPLAY").toStdString();
    return qEnvironmentVariable("WAYLAND_DISPLAY").toStdString();
}

bool PlatformChosenByCaller()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

std::string ProgramName()
{
    const std::string& path = storedArguments.front();
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

[[noreturn]] void ExitWithoutDisplay()
{
    const std::string display = NamedDisplay();
    const std::string cause = display.empty()
        ? "no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is set)"
        : "the display " + display + " cannot be reached";
    std::fprintf(stderr,
        "%s: %s; start it in a desktop session, or on a virtual X server (Xvfb) as the README "
        "shows\n",
        ProgramName().c_str(), cause.c_str());
    std::fflush(stderr);
    // Qt is half started: its own clean-up must not run.
    std::_Exit(1);
}

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg)
        ExitWithoutDisplay();
    heldMessages.push_back(
        HeldMessage { type, context.category != nullptr ? context.category : "", text });
}

void ReplayHeldMessages()
{
    for (const HeldMessage& held : heldMessages) {
        const QMessageLogContext context(nullptr, 0, nullptr, held.category.c_str());
        qt_message_output(held.type, context, held.text);
    }
    heldMessages.clear();
}

void StoreArguments(int* argc, char** argv)
{
    storedArguments.clear();
    if (argc != nullptr && argv != nullptr) {
        for (int i = 0; i < *argc && argv[i] != nullptr; ++i)
            storedArguments.emplace_back(argv[i]);
    }
    if (storedArguments.empty())
        storedArguments.emplace_back("tessarine");
    storedArgv.clear();
    for (std::string& argument : storedArguments)
        storedArgv.push_back(argument.data());
    storedArgv.push_back(nullptr);
    storedArgc = static_cast<int>(storedArguments.size());
}

} // namespace

void EnsureQtApplication(int* argc, char** argv)
{
    if (QCoreApplication::instance() != nullptr)
        return;
    StoreArguments(argc, argv);

    // Without a display the window would exist nowhere: the program would run unseen, holding its
    // single-instance guard, and a later start in a real session would do nothing.
    if (!PlatformChosenByCaller() && NamedDisplay().empty())
        ExitWithoutDisplay();

    const QtMessageHandler previous = qInstallMessageHandler(HoldStartMessage);
    // Never deleted: destroying the application during static destruction races Qt's own globals,
    // and the pointer keeps it reachable for the leak checker.
    application = new QApplication(storedArgc, storedArgv.data());
    qInstallMessageHandler(previous);
    ReplayHeldMessages();
}

} // namespace platform

// Read by LeakSanitizer when a sanitizer build runs (never called otherwise): fontconfig, which
// Qt uses for every font, keeps its configuration and caches for the life of the process and
// frees nothing at exit.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
