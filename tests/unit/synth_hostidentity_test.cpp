#include "framework/synth/HostIdentity.h"

#include <gtest/gtest.h>

#include <string>

TEST(SynthHostIdentity, EveryProductPrefixOfTheTable) {
    struct Row {
        const char* product;
        HostId id;
    };
    const Row rows[] = {
        {"Cubase", HostId::Cubase},
        {"Cubasis", HostId::Cubase},
        {"Nuendo", HostId::Cubase},
        {"ProTools", HostId::ProTools},
        {"Live", HostId::Live},
        {"Fruity", HostId::Fruity},
        {"Orion", HostId::Orion},
        {"Logic", HostId::Logic},
        {"Making Waves", HostId::MakingWaves},
        {"MultitrackStudio", HostId::MultitrackStudio},
        {"SingerSongWriter", HostId::SingerSongWriter},
        {"Cakewalk", HostId::Cakewalk},
        {"Samplitude", HostId::Samplitude},
        {"Tracktion", HostId::Tracktion},
        {"GarageBand", HostId::GarageBand},
        {"Receptor", HostId::Receptor},
        {"Chainer", HostId::Chainer},
        {"FX Teleport Server", HostId::FxTeleportServer},
        {"Kore", HostId::Kore},
    };
    for (const Row& row : rows) {
        const HostIdentity identity = identifyHost(row.product, "Some Vendor", 1234);
        EXPECT_EQ(identity.id, row.id) << row.product;
        EXPECT_EQ(identity.vendorVersion, 1234) << row.product;
        EXPECT_EQ(identity.clearsAcceptIOChanges, row.id == HostId::Logic) << row.product;
        // Further words after the prefix still match; a cut prefix does not.
        EXPECT_EQ(identifyHost(std::string(row.product) + " 7 Pro", "", 0).id, row.id) << row.product;
        const std::string cut(row.product, std::char_traits<char>::length(row.product) - 1);
        EXPECT_NE(identifyHost(cut, "", 0).id, row.id) << cut;
    }
    EXPECT_EQ(identifyHost("Cubase SX 3", "Steinberg", 3).id, HostId::Cubase);
    EXPECT_EQ(identifyHost("cubase", "", 0).id, HostId::Unknown);
    EXPECT_EQ(identifyHost("LOGIC", "", 0).id, HostId::Unknown);
    EXPECT_EQ(identifyHost("", "", 0).id, HostId::Unknown);
    EXPECT_EQ(identifyHost("Ardour", "Paul Davis", 8).id, HostId::Unknown);
    // Only the product is tested against the product prefixes.
    EXPECT_EQ(identifyHost("Bitwig", "Cubase", 0).id, HostId::Unknown);
}

TEST(SynthHostIdentity, VendorRulesAndTheVersionRule) {
    EXPECT_EQ(identifyHost("Receptor", "Muse Research Inc.", 2).id, HostId::Receptor);
    EXPECT_EQ(identifyHost("", "Muse Research", 2).id, HostId::Receptor);
    EXPECT_EQ(identifyHost("Cubase", "Muse Research", 2).id, HostId::Receptor);
    // Later product prefixes win over the vendor row.
    EXPECT_EQ(identifyHost("Chainer", "Muse Research", 2).id, HostId::Chainer);
    EXPECT_EQ(identifyHost("FX Teleport Server", "Muse Research", 2).id, HostId::FxTeleportServer);
    EXPECT_EQ(identifyHost("Kore 2", "Muse Research", 2).id, HostId::Kore);
    EXPECT_EQ(identifyHost("", "muse research", 2).id, HostId::Unknown);

    const HostIdentity ssw9 = identifyHost("SingerSongWriter9 Pro", "Cakewalk", 1700);
    EXPECT_EQ(ssw9.id, HostId::SingerSongWriter);
    EXPECT_EQ(ssw9.vendorVersion, 9);
    const HostIdentity ssw8 = identifyHost("SingerSongWriter8", "Cakewalk", 1700);
    EXPECT_EQ(ssw8.id, HostId::SingerSongWriter);
    EXPECT_EQ(ssw8.vendorVersion, 1700);

    // Logic clears acceptIOChanges even when a later row renames the host.
    const HostIdentity logicAtMuse = identifyHost("Logic", "Muse Research", 5);
    EXPECT_EQ(logicAtMuse.id, HostId::Receptor);
    EXPECT_TRUE(logicAtMuse.clearsAcceptIOChanges);
    EXPECT_FALSE(identifyHost("Live", "Ableton", 9).clearsAcceptIOChanges);
}
