#include "login/loginrequestbuilder.h"

namespace {

QString reminder(const LoginRequestBuilder::Fields& fields)
{
    return fields.reminderAccepted ? QStringLiteral("1") : QStringLiteral("0");
}

const QString kPhone = QStringLiteral("phone");

}  // namespace

QString LoginRequestBuilder::joined(const QStringList& fields)
{
    return fields.join(QLatin1Char('\n'));
}

QString LoginRequestBuilder::bindFlag(bool bind)
{
    return bind ? QStringLiteral("01") : QStringLiteral("02");
}

bool LoginRequestBuilder::stopsLoginLock(PageLoginType type, const corvis::Edition& edition)
{
    return type == PageLoginAccount && !edition.isVesk();
}

std::optional<LoginRequest> LoginRequestBuilder::login(PageLoginType type, int step, int authMode,
                                                       const corvis::Edition& edition, const Fields& f)
{
    if (type == PageLoginPhone) {
        if (step == 1) {
            return LoginRequest{CReqClientLoginAuthCode84, joined({f.account, f.password, f.epoch, kPhone, reminder(f)})};
        }
        if (step == 2) {
            return LoginRequest{CReqClientLogin86, joined({f.account, f.password, f.epoch, kPhone, f.code,
                                                           bindFlag(f.bind), reminder(f)})};
        }
        return std::nullopt;
    }
    if (type != PageLoginAccount) {
        return std::nullopt;
    }
    if (edition.isVesk()) {
        if (step == 1) {
            return LoginRequest{CReqClientLoginAuthCode83, joined({f.account, f.password, f.epoch, reminder(f)})};
        }
        if (step == 2) {
            return LoginRequest{CReqClientLogin85,
                                joined({f.account, f.password, f.epoch, f.code, bindFlag(f.bind), reminder(f)})};
        }
        return std::nullopt;
    }
    // SMS mode sends the code alone: the service keeps the first factor.
    if (authMode == 2) {
        return LoginRequest{CReqClientLogin80, f.code};
    }
    return LoginRequest{CReqClientLogin76, joined({f.account, f.password, f.epoch, f.code})};
}

std::optional<LoginRequest> LoginRequestBuilder::codeRequest(PageLoginType type, int authMode, int validateCodeType,
                                                             const corvis::Edition& edition, const Fields& f)
{
    if (type == PageLoginPhone) {
        return LoginRequest{CReqClientLoginAuthCode84, joined({f.account, f.password, f.epoch, kPhone})};
    }
    if (type != PageLoginAccount) {
        return std::nullopt;
    }
    if (edition.isVesk()) {
        return LoginRequest{CReqClientLoginAuthCode83, joined({f.account, f.password, f.epoch})};
    }
    if (authMode == 2) {
        return LoginRequest{CReqClientAuthCode79, edition.is(corvis::Edition::Id::Kav)
                                                      ? joined({f.account, f.password, f.epoch})
                                                      : QString()};
    }
    if (validateCodeType == 2) {
        return LoginRequest{CReqClientLoginPage77, f.epoch};
    }
    return std::nullopt;
}

LoginRequest LoginRequestBuilder::smsInit()
{
    return LoginRequest{CReqClientLoginResult78, QString()};
}

LoginRequest LoginRequestBuilder::resetCode(const QString& user, const QString& idCard, const QString& password,
                                            const QString& repeat, const QString& epoch)
{
    return LoginRequest{CReqClientResetAuthCode, joined({user, idCard, password, repeat, epoch})};
}

LoginRequest LoginRequestBuilder::resetPassword(const QString& user, const QString& idCard, const QString& password,
                                                const QString& repeat, const QString& epoch, const QString& code)
{
    return LoginRequest{CReqClientResetPwd, joined({user, idCard, password, repeat, epoch, code})};
}
