// Answers the end-to-end scripts' questions about what the picture should show, with the
// program's own camera maths: where a world point lands in the 640x480 view at the start camera,
// and which sticker colour a screenshot pixel shows.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "geometry/camera.h"
#include "geometry/maths/matrix.h"

namespace {

int Project(float x, float y, float z)
{
    ResetCamera();
    Mat4 view;
    Mat4 projection;
    Mat4 both;
    BuildView(&view);
    BuildProjection(&projection);
    MatrixMultiply(&both, &view, &projection);
    Vec3 world { x, y, z };
    Vec3 clip;
    Vec3TransformCoord(&clip, &world, &both);
    const int px = static_cast<int>(std::lround(320.0f + clip.x * 320.0f));
    const int py = static_cast<int>(std::lround(240.0f - clip.y * 240.0f));
    std::printf("%d %d\n", px, py);
    return 0;
}

struct Named {
    const char* name;
    std::array<float, 3> rgb;
};

// Tiles' colours; lighting scales a sticker's channels roughly together, so the nearest
// reference after normalising by the brightest channel names the tile.
constexpr Named stickerColours[] = {
    { "white", { 255, 255, 255 } },
    { "yellow", { 255, 255, 9 } },
    { "orange", { 255, 107, 36 } },
    { "green", { 77, 217, 23 } },
    { "red", { 249, 45, 28 } },
    { "blue", { 51, 77, 221 } },
};

int Classify(float r, float g, float b)
{
    const float top = std::fmax(r, std::fmax(g, b));
    if (top < 60.0f) {
        std::printf("dark\n");
        return 0;
    }
    const char* best = "none";
    float bestDistance = 1e9f;
    for (const Named& c : stickerColours) {
        const float cTop = std::fmax(c.rgb[0], std::fmax(c.rgb[1], c.rgb[2]));
        float d = 0.0f;
        const float got[3] = { r / top, g / top, b / top };
        for (int i = 0; i < 3; ++i) {
            const float delta = got[i] - c.rgb[i] / cTop;
            d += delta * delta;
        }
        if (d < bestDistance) {
            bestDistance = d;
            best = c.name;
        }
    }
    std::printf("%s\n", best);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && std::strcmp(argv[1], "project") == 0) {
        return Project(std::strtof(argv[2], nullptr), std::strtof(argv[3], nullptr),
            std::strtof(argv[4], nullptr));
    }
    if (argc == 5 && std::strcmp(argv[1], "classify") == 0) {
        return Classify(std::strtof(argv[2], nullptr), std::strtof(argv[3], nullptr),
            std::strtof(argv[4], nullptr));
    }
    std::fprintf(stderr, "usage: e2e_probe project X Y Z | classify R G B\n");
    return 2;
}
