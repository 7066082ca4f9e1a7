#pragma once

#include "comm/clientreq.h"

#include "platform/corvismsg/postdeal.h"

#include <QString>

#include <memory>
#include <thread>

class SimRecord;
class SimResponder;
class SimScenario;
class US_Server;

// One sibling-service socket played by corvissim: receives requests with our messaging library,
// records each, and has the responder carry out the scenario's response.
class SimService : public PostDeal
{
public:
    // As the services' socket table says (comm/clientreq.h).
    using Framing = SocketFraming;

    SimService(const QString& peer, const QString& path, Framing framing, bool answers, SimScenario& scenario,
               SimRecord& record, SimResponder& responder);
    ~SimService() override;

    bool start(QString* error);
    void stop();

    int Process(us_post_t* post) override;

private:
    QString peer_;
    QString path_;
    Framing framing_;
    bool answers_;
    SimScenario& scenario_;
    SimRecord& record_;
    SimResponder& responder_;
    std::unique_ptr<US_Server> server_;
    std::thread thread_;
};
