// tessarine-frame --record as a user runs it: the file it writes is a well-formed animation
// (checked by libwebp's own webpinfo and WebPAnimDecoder), its last frame is the picture the
// tool draws for the same state, and a bad script leaves an error naming the step and no file.
#include <gtest/gtest.h>

#include <QImage>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>
#include <webp/demux.h>

namespace {

struct Outcome {
    int exitCode = -1;
    std::string output; // stdout and stderr
};

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Outcome Run(const std::string& command)
{
    Outcome outcome;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        outcome.output.append(buffer, n);
    }
    const int status = pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

Outcome RunTool(const std::vector<std::string>& arguments)
{
    std::string command = Quoted(TESSARINE_FRAME);
    for (const std::string& argument : arguments) {
        command.append(1, ' ').append(Quoted(argument));
    }
    return Run(command);
}

// A folder of this run's own, removed when the run ends: the suites of two checkouts may run on
// one machine at once.
struct ScratchFolder {
    std::string path;
    ScratchFolder()
    {
        std::string pattern = testing::TempDir() + "tools_record_XXXXXX";
        path = mkdtemp(pattern.data()) != nullptr ? pattern : testing::TempDir();
    }
    ~ScratchFolder()
    {
        if (path != testing::TempDir())
            std::filesystem::remove_all(path);
    }
};

std::string Scratch(const std::string& name)
{
    static const ScratchFolder folder;
    return folder.path + "/" + name;
}

struct Animation {
    int width = 0, height = 0;
    std::vector<int> endsMs; // each frame's end on the animation's clock
    std::vector<std::uint8_t> lastRgba;
};

// Every frame through libwebp's own animation decoder, as a browser would show them.
bool Decode(const std::string& path, Animation& animation)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::vector<std::uint8_t> bytes;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    std::fclose(file);
    const WebPData data = { bytes.data(), bytes.size() };
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    WebPAnimInfo info;
    if (decoder == nullptr || !WebPAnimDecoderGetInfo(decoder, &info)) {
        WebPAnimDecoderDelete(decoder);
        return false;
    }
    animation.width = static_cast<int>(info.canvas_width);
    animation.height = static_cast<int>(info.canvas_height);
    std::uint8_t* pixels = nullptr;
    int endMs = 0;
    while (
        WebPAnimDecoderHasMoreFrames(decoder) && WebPAnimDecoderGetNext(decoder, &pixels, &endMs)) {
        animation.endsMs.push_back(endMs);
        animation.lastRgba.assign(pixels, pixels + info.canvas_width * info.canvas_height * 4);
    }
    WebPAnimDecoderDelete(decoder);
    return animation.endsMs.size() == info.frame_count;
}

// webpinfo's reading of the container: canvas size, frame count and every frame's duration.
struct Container {
    std::string canvas;
    int frames = -1;
    std::vector<int> durationsMs;
};

Container ReadContainer(const std::string& path)
{
    const Outcome info = Run(Quoted(WEBPINFO) + " " + Quoted(path));
    EXPECT_EQ(info.exitCode, 0) << info.output;
    Container container;
    std::smatch match;
    if (std::regex_search(info.output, match, std::regex("Canvas size (\\d+ x \\d+)"))) {
        container.canvas = match[1];
    }
    const std::regex duration("Duration: (\\d+)");
    for (auto it = std::sregex_iterator(info.output.begin(), info.output.end(), duration);
         it != std::sregex_iterator(); ++it) {
        container.durationsMs.push_back(std::stoi((*it)[1]));
    }
    const Outcome summary = Run(Quoted(WEBPINFO) + " -summary " + Quoted(path));
    if (std::regex_search(summary.output, match, std::regex("Number of frames: (\\d+)"))) {
        container.frames = std::stoi(match[1]);
    }
    return container;
}

struct Recording {
    const char* name;
    std::vector<std::string> recordArguments;
    std::vector<std::string> stillArguments; // the same end state as a single picture
    std::vector<int> durationsMs;
};

TEST(RecordTool, container_timing_and_last_frame_match_the_still_of_the_same_state)
{
    const std::vector<Recording> recordings = {
        // 8 frames of drag (the picture at rest, folded into one), the 16-frame turn of the
        // front layer (its last two frames alike), two orbit moves of 8 pixels, two notches.
        { "drag", { "--do", "drag 320,280 380,300; wait 16; orbit 16,0; wheel -2" },
            { "--turn", "3,2", "--orbit", "8,0", "--orbit", "8,0", "--zoom", "10" },
            { 128, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 32, 16, 16, 16, 16 } },
        // Every fourth of 30 shuffling frames, each shown 64 ms; the 30th closes a short tail.
        { "shuffle", { "--do", "shuffle; wait 30", "--every", "4", "--seed", "7" },
            { "--shuffle", "--seed", "7", "--frames", "29" }, { 64, 64, 64, 64, 64, 64, 32, 64 } },
    };
    for (const Recording& recording : recordings) {
        SCOPED_TRACE(recording.name);
        const std::string webp = Scratch(std::string(recording.name) + ".webp");
        const std::string png = Scratch(std::string(recording.name) + ".png");
        std::filesystem::remove(webp);
        std::filesystem::remove(png);
        std::vector<std::string> record = { "--record", webp };
        record.insert(
            record.end(), recording.recordArguments.begin(), recording.recordArguments.end());
        std::vector<std::string> still = { "--out", png };
        still.insert(still.end(), recording.stillArguments.begin(), recording.stillArguments.end());
        const Outcome recorded = RunTool(record);
        ASSERT_EQ(recorded.exitCode, 0) << recorded.output;
        const Outcome drawn = RunTool(still);
        ASSERT_EQ(drawn.exitCode, 0) << drawn.output;

        const Container container = ReadContainer(webp);
        EXPECT_EQ(container.canvas, "640 x 480");
        EXPECT_EQ(container.frames, static_cast<int>(recording.durationsMs.size()));
        EXPECT_EQ(container.durationsMs, recording.durationsMs);

        Animation animation;
        ASSERT_TRUE(Decode(webp, animation));
        EXPECT_EQ(animation.endsMs.size(), recording.durationsMs.size());
        QImage image(QString::fromStdString(png));
        ASSERT_FALSE(image.isNull());
        image = image.convertToFormat(QImage::Format_RGBA8888);
        ASSERT_EQ(image.width(), animation.width);
        ASSERT_EQ(image.height(), animation.height);
        int differing = 0;
        for (int y = 0; y < image.height(); ++y) {
            const std::uint8_t* row = animation.lastRgba.data() + y * animation.width * 4;
            differing += std::memcmp(row, image.constScanLine(y), animation.width * 4) != 0;
        }
        EXPECT_EQ(differing, 0) << "rows of the last frame that differ from " << png;
    }
}

TEST(RecordTool, bad_script_names_the_step_exits_2_and_leaves_no_file)
{
    const std::string script = Scratch("script.txt");
    std::FILE* file = std::fopen(script.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("wait 3\n# a comment; still a comment\nmove 10,10 # nearer\n\nwheel 0\n", file);
    std::fclose(file);
    const struct {
        std::vector<std::string> steps;
        std::string message;
    } cases[] = {
        { { "--do", "wait 10; spin 3" }, "--do: step 2 \"spin 3\": unknown step \"spin\"" },
        { { "--do", "wait 0" }, "--do: step 1 \"wait 0\": a wait lasts 1..10000 frames" },
        { { "--do", "wait 2; drag 320,280 640,300" },
            "--do: step 2 \"drag 320,280 640,300\": 640,300 lies outside the 640x480 view" },
        { { "--do", "turn 4,0; wait 3" }, "--do: step 1 \"turn 4,0\": axis code 4 names no axis" },
        { { "--do", "turn -2,27; wait 3" },
            "--do: step 1 \"turn -2,27\": cell 27 lies outside the cube" },
        { { "--do", "orbit 40; wait 3" }, "--do: step 1 \"orbit 40\": orbit takes DX,DY" },
        { { "--script", script }, script + ":5: step 3 \"wheel 0\": the wheel turns" },
        { { "--do", "shuffle; turn 3,0" }, "--do: the script draws no frame" },
    };
    const std::string out = Scratch("bad.webp");
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.steps.back());
        std::vector<std::string> arguments = { "--record", out };
        arguments.insert(arguments.end(), bad.steps.begin(), bad.steps.end());
        const Outcome outcome = RunTool(arguments);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_EQ(outcome.output.find("tessarine-frame: " + bad.message), 0u) << outcome.output;
        EXPECT_EQ(std::count(outcome.output.begin(), outcome.output.end(), '\n'), 1);
        EXPECT_FALSE(std::filesystem::exists(out));
        EXPECT_FALSE(std::filesystem::exists(out + ".part"));
    }
}

} // namespace
