#include "platform/corvismsg/postdeal.h"

#include "platform/corvismsg/us_server.h"

PostDeal::~PostDeal() = default;

void PostDeal::CloseConnection()
{
    US_Server::closeCurrent();
}

int PostDeal::DetachConnection()
{
    return US_Server::detachCurrent();
}
