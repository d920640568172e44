#include <QApplication>
#include <QByteArray>

#include <string>
#include <vector>

#include "platform/gdi/surface_dc.h"

namespace platform {

namespace {

// QApplication keeps references to argc and argv for its whole life, so they live here rather
// than in whichever caller happened to come first.
int storedArgc = 0;
std::vector<std::string> storedArguments;
std::vector<char*> storedArgv;
QApplication* application = nullptr;

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

void EnsureQtApplication(int* argc, char** argv)
{
    if (QCoreApplication::instance() != nullptr)
        return;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !HasDisplay()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

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

    // Never deleted: destroying the application during static destruction races Qt's own globals,
    // and the pointer keeps it reachable for the leak checker.
    application = new QApplication(storedArgc, storedArgv.data());
}

} // namespace platform

// Read by LeakSanitizer when a sanitizer build runs (never called otherwise): fontconfig, which
// Qt uses for every font, keeps its configuration and caches for the life of the process and
// frees nothing at exit.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
