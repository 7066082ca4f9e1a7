#pragma once

#include <QString>

namespace corvis {

// A customer edition, chosen by the custom project key of the system configuration
// ("customProject" of [Mervasso] in ini/syscfg.ini). Editions change texts, colours, pages and
// some flows; every question about the edition is asked of this one value.
class Edition
{
public:
    enum class Id {
        Standard,       // empty custom project
        VeskUos,        // "vesk-uos-4.19.71"
        VeskKylin,      // "vesk-kylin-5.4.18-32"
        TirrowaUosX86,  // "tirrowa-uos-x86"
        Rolq,           // "rolq"
        Kav,            // "kav"
        Velmora,        // "velmora"
        BrastelZtna,    // "brastel-ztna"
        OstrelBigdata,  // "ostrel-bigdata"
        Other,          // a custom project this program does not know: standard behaviour
    };

    Edition() = default;
    explicit Edition(Id id);
    // The edition of a custom project id as the configuration spells it (exact match).
    static Edition fromProject(const QString& project);
    // This installation's edition: customProject of [Mervasso] in the system configuration, read
    // into 256 bytes. Kept once read; while it reads empty it is read again on the next call.
    // Safe from any thread.
    static Edition current();
    // Forgets the kept value (tests change the configuration between cases).
    static void resetCurrentForTest();

    Id id() const { return id_; }
    // The custom project id as the configuration spells it (empty for the standard edition).
    QString project() const { return project_; }

    bool is(Id id) const { return id_ == id; }
    // The two vesk editions share most of their texts and flows.
    bool isVesk() const { return id_ == Id::VeskUos || id_ == Id::VeskKylin; }
    bool isStandard() const { return id_ == Id::Standard || id_ == Id::Other; }

    // The configuration's spelling of a known edition (empty for Standard and Other).
    static QString projectId(Id id);

    bool operator==(const Edition& other) const { return id_ == other.id_ && project_ == other.project_; }
    bool operator!=(const Edition& other) const { return !(*this == other); }

private:
    Id id_ = Id::Standard;
    QString project_;
};

}  // namespace corvis
