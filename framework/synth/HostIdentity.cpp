#include "framework/synth/HostIdentity.h"

namespace {

enum class Field { Product, Vendor };

struct HostRule {
    Field field;
    std::string_view prefix;
    HostId id;
};

// Order matters: later matches overwrite earlier ones.
constexpr HostRule kRules[] = {
    {Field::Product, "Cubase", HostId::Cubase},
    {Field::Product, "Cubasis", HostId::Cubase},
    {Field::Product, "Nuendo", HostId::Cubase},
    {Field::Product, "ProTools", HostId::ProTools},
    {Field::Product, "Live", HostId::Live},
    {Field::Product, "Fruity", HostId::Fruity},
    {Field::Product, "Orion", HostId::Orion},
    {Field::Product, "Logic", HostId::Logic},
    {Field::Product, "Making Waves", HostId::MakingWaves},
    {Field::Product, "MultitrackStudio", HostId::MultitrackStudio},
    {Field::Product, "SingerSongWriter", HostId::SingerSongWriter},
    {Field::Product, "Cakewalk", HostId::Cakewalk},
    {Field::Product, "Samplitude", HostId::Samplitude},
    {Field::Product, "Tracktion", HostId::Tracktion},
    {Field::Product, "GarageBand", HostId::GarageBand},
    {Field::Product, "Receptor", HostId::Receptor},
    {Field::Vendor, "Muse Research", HostId::Receptor},
    {Field::Product, "Chainer", HostId::Chainer},
    {Field::Product, "FX Teleport Server", HostId::FxTeleportServer},
    {Field::Product, "Kore", HostId::Kore},
};

bool beginsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

} // namespace

HostIdentity identifyHost(std::string_view product, std::string_view vendor, int32_t vendorVersion) {
    HostIdentity identity;
    identity.vendorVersion = vendorVersion;
    for (const HostRule& rule : kRules) {
        if (!beginsWith(rule.field == Field::Product ? product : vendor, rule.prefix))
            continue;
        identity.id = rule.id;
        if (rule.id == HostId::Logic)
            identity.clearsAcceptIOChanges = true;
        if (rule.id == HostId::SingerSongWriter && beginsWith(product, "SingerSongWriter9"))
            identity.vendorVersion = 9;
    }
    return identity;
}
