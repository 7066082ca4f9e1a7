// PolicyAnalyzer: the documents of the login screen: system title, carousel, authorization image.

#include "src/PolicyAnalyzer/policyanalyzer_p.h"

#include "corviscommon/edition.h"

using namespace policyreader;

// ---------------------------------------------------------------------------------------------
// Login screen documents.

bool PolicyAnalyzer::parseSystemTitle(st_systemTitle& title)
{
    ReaderRun run("parseSystemTitle", ErrorExit::Always);
    title.validateCodeType = 0;
    title.embeddedWeb = 0;
    title.certAuthSign = 0;
    title.loginMenu.clear();
    QJsonObject root;
    if (!run.loadFile(kSystemTitle) || !run.object(root)) {
        return run.fail();
    }
    const QJsonObject data = root.value(QLatin1String("data")).toObject();
    if (!data.value(QLatin1String("validateCodeType")).isString()) {
        return run.fail(SYSTEM_TITLE_NO_VALIDATE_CODE_TYPE);
    }
    const QJsonValue menu = data.value(QLatin1String("loginMenu"));
    if (!menu.isArray()) {
        return run.fail(SYSTEM_TITLE_NO_LOGIN_MENU);
    }
    title.validateCodeType = decimal(data, QLatin1String("validateCodeType"));
    if (corvis::Edition::current().is(corvis::Edition::Id::Kav)) {
        LOG(INFO) << "kav required validateCode!";
        title.validateCodeType = 2;
    }
    title.embeddedWeb = decimal(data, QLatin1String("embeddedWeb"));
    title.certAuthSign = decimal(data, QLatin1String("certAuthSign"));

    for (const QJsonValue& value : menu.toArray()) {
        if (!value.isObject()) {
            LOG(ERROR) << "menuArray value error!";
            continue;
        }
        const QJsonObject entry = value.toObject();
        const int missing = firstMissing(entry, {
                                                    {QLatin1String("menuId"), SYSTEM_TITLE_MENU_NO_ID},
                                                    {QLatin1String("menuText"), SYSTEM_TITLE_MENU_NO_TEXT},
                                                });
        if (missing != 0) {
            return run.fail(missing);
        }
        title.loginMenu.append({::text(entry, QLatin1String("menuId")), ::text(entry, QLatin1String("menuText"))});
    }

    const QJsonObject claim = data.value(QLatin1String("pwdClaim")).toObject();
    if (claim.isEmpty()) {
        LOG(INFO) << "isPwdClaimOpen is false!";
        title.pwdClaim.isPwdClaimOpen = 0;
    } else {
        LOG(INFO) << "isPwdClaimOpen is true!";
        title.pwdClaim.isPwdClaimOpen = 1;
        static const struct {
            const char* key;
            QString st_pwdClaim::*field;
        } rules[] = {
            {"max_length", &st_pwdClaim::max_length},   {"min_charlen", &st_pwdClaim::min_charlen},
            {"min_length", &st_pwdClaim::min_length},   {"min_numlen", &st_pwdClaim::min_numlen},
            {"min_special_len", &st_pwdClaim::min_special_len},
        };
        // Rules the document leaves out keep the values they had.
        for (const auto& rule : rules) {
            const QJsonValue value = claim.value(QLatin1String(rule.key));
            if (value.isString()) {
                title.pwdClaim.*rule.field = value.toString();
            }
        }
    }
    return run.succeed();
}

bool PolicyAnalyzer::parseCarousel(st_carousel& carousel)
{
    ReaderRun run("parseCarousel", ErrorExit::Always);
    carousel = st_carousel();
    QJsonObject root;
    if (!run.loadFile(kCarousel) || !run.object(root)) {
        return run.fail();
    }
    const QJsonObject settings = root.value(QLatin1String("carousel")).toObject();
    static const struct {
        const char* key;
        int st_carousel::*field;
    } numbers[] = {
        {"isCarouselEnabled", &st_carousel::isCarouselEnabled},
        {"showType", &st_carousel::showType},
        {"showEndType", &st_carousel::showEndType},
        {"carouselSwitchTime", &st_carousel::carouselSwitchTime},
    };
    for (const auto& number : numbers) {
        const QJsonValue value = settings.value(QLatin1String(number.key));
        if (value.isDouble()) {
            carousel.*number.field = integer(value);
        }
    }
    static const struct {
        const char* key;
        QString st_carousel::*field;
    } texts[] = {
        {"scheduledShowTime", &st_carousel::scheduledShowTime},
        {"showEndTime", &st_carousel::showEndTime},
    };
    for (const auto& entry : texts) {
        const QJsonValue value = settings.value(QLatin1String(entry.key));
        if (value.isString()) {
            carousel.*entry.field = value.toString();
        }
    }

    if (settings.contains(QLatin1String("showPic"))) {
        const QJsonValue pictures = settings.value(QLatin1String("showPic"));
        if (!pictures.isArray()) {
            return run.fail(CAROUSEL_SHOW_PIC_NOT_ARRAY);
        }
        for (const QJsonValue& value : pictures.toArray()) {
            if (!value.isObject()) {
                LOG(ERROR) << "shouPicArray value error!";
                continue;
            }
            const QJsonObject entry = value.toObject();
            if (!entry.contains(QLatin1String("strpicpath"))) {
                LOG(ERROR) << "strpicpath value error!";
                return run.fail();
            }
            if (!entry.contains(QLatin1String("iorder"))) {
                LOG(ERROR) << "iorder value error!";
                return run.fail();
            }
            carousel.showPic.append({::text(entry, QLatin1String("strpicpath")), integer(entry, QLatin1String("iorder"))});
        }
    }
    return run.succeed();
}

bool PolicyAnalyzer::readVeskAuthImage(QString& image)
{
    ReaderRun run("readVeskAuthImage", ErrorExit::AfterFound);
    image.clear();
    QJsonObject root;
    if (!run.loadFile(kVeskAuthImage) || !run.object(root, VESK_AUTH_IMAGE_NO_DATA)) {
        return run.fail();
    }
    const QJsonValue data = root.value(QLatin1String("data"));
    if (!data.isObject()) {
        return run.fail(VESK_AUTH_IMAGE_NO_DATA);
    }
    if (!data.toObject().contains(QLatin1String("authImage"))) {
        return run.fail(VESK_AUTH_IMAGE_NO_AUTH_IMAGE);
    }
    image = ::text(data.toObject(), QLatin1String("authImage"));
    return run.succeed();
}
