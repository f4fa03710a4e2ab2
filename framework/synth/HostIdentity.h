#pragma once
// Naming the host application from its product and vendor strings. A few
// behaviours elsewhere depend on the answer (HostId). Pure: any thread.
#include <cstdint>
#include <string_view>

enum class HostId : int32_t {
    Cubase = 0,  // also Cubasis, Nuendo
    ProTools = 1,
    Logic = 2,
    Orion = 4,
    Live = 5,
    Fruity = 6,
    MakingWaves = 8,
    MultitrackStudio = 9,
    SingerSongWriter = 10,
    Cakewalk = 11,
    Samplitude = 12,
    Tracktion = 13,
    GarageBand = 14,
    Receptor = 15,  // also any host of vendor "Muse Research"
    Chainer = 16,
    FxTeleportServer = 17,
    Kore = 18,
    Unknown = 19,
};

struct HostIdentity {
    HostId id = HostId::Unknown;
    int32_t vendorVersion = 0;           // the host's answer, or 9 for "SingerSongWriter9"
    bool clearsAcceptIOChanges = false;  // Logic: treat the host as not accepting I/O changes
};

// The prefixes are tested in a fixed order, exactly and case-sensitively;
// every test runs and the last match wins.
HostIdentity identifyHost(std::string_view product, std::string_view vendor, int32_t vendorVersion);
