// kelvanti-skin: draws the editor's skins into a folder (the repository's
// resources/png), and with --preview FILE also the review picture of both
// pages with their controls. The output is the same on every build.
#include <cstdio>
#include <cstring>
#include <string>

#include "gui/raster/Text.h"
#include "tools/skin/SkinArt.h"
#include "tools/skin/SkinPng.h"
#include "tools/skin/SkinPreview.h"

int main(int argc, char** argv) {
    std::string folder, preview;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc) {
            preview = argv[++i];
        } else if (argv[i][0] != '-' && folder.empty()) {
            folder = argv[i];
        } else {
            folder.clear();
            break;
        }
    }
    if (folder.empty()) {
        std::fprintf(stderr, "usage: kelvanti-skin FOLDER [--preview FILE.png]\n");
        return 2;
    }
    if (!raster::fontsAvailable()) {
        std::fprintf(stderr, "kelvanti-skin: the embedded fonts cannot be opened\n");
        return 1;
    }
    const std::vector<skin::Skin> skins = skin::drawSkins();
    std::string error;
    for (const skin::Skin& s : skins) {
        const std::vector<uint8_t> png = skin::encodeOpaquePng(s.pixels);
        const std::string path = folder + "/" + skin::fileNameOf(s);
        if (png.empty() || !skin::writeWholeFile(path, png, error)) {
            std::fprintf(stderr, "kelvanti-skin: %s\n", png.empty() ? ("skin " + path + " is not opaque").c_str() : error.c_str());
            return 1;
        }
        std::printf("%s %dx%d\n", path.c_str(), s.pixels.width(), s.pixels.height());
    }
    if (!preview.empty()) {
        const raster::PixelBuffer picture = skin::drawPreview([&](int id) -> const raster::PixelBuffer* {
            for (const skin::Skin& s : skins) {
                if (s.id == id) return &s.pixels;
            }
            return nullptr;
        });
        if (!skin::writeWholeFile(preview, skin::encodeOpaquePng(picture), error)) {
            std::fprintf(stderr, "kelvanti-skin: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s %dx%d\n", preview.c_str(), picture.width(), picture.height());
    }
    return 0;
}
