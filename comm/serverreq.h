#pragma once

#include <QMetaType>

#include <cstdint>

// Messages the sibling services push to the workbench.
enum ServerReq {
    SReqUpline = 0,
    SReqDownline = 1,
    SReqShowWindow = 16,
    SReqCloseWindow = 17,
    SReqOpenWindow = 32,
    SReqNetmodeChanged = 35,
    SReqSandboxUpdate = 36,
    SReqRedoSpa = 37,
    SReqTraySpaLoginResult = 38,
    SReqSpaDisconnect = 39,
    SReqOpenAppApprove = 40,
    SReqOpenPortal = 41,
    SReqOpenSandboxApprove = 42,
    SReqShowInform = 43,
    SReqNewMessage = 44,
    SReqMessageRead = 45,
    SReqMessageRefresh = 46,
    SReqAccessLoginResult = 48,
    SReqDynamicAuth = 64,
    SReqUpdateResult80 = 80,
    SReqUpdateResult81 = 81,
    SReqDiskSpaceLack = 82,
};
Q_DECLARE_METATYPE(ServerReq)

// Inbound command codes: the first word of a pushed message's body.
enum InboundCode : uint16_t {
    InUpline = 0x0300,
    InDownline = 0x0301,
    InShowWindow = 0x0310,
    InCloseWindow = 0x0311,
    InOpenWindow = 0x0320,
    InSandboxReadyVesk = 0x0322,
    InSandboxReady = 0x0323,
    InSandboxUpdate = 0x0324,
    InRedoSpa = 0x0325,
    InTraySpaLoginResult = 0x0326,
    InSpaDisconnect = 0x0327,
    InOpenAppApprove = 0x0328,
    InOpenPortal = 0x0329,
    InOpenSandboxApprove = 0x0330,
    InShowInform = 0x0331,
    InNewMessage = 0x0204,
    InMessageRead = 0x0205,
    InMessageRefresh = 0x0206,
    InAccessLoginResult = 0x0201,
    InDynamicAuth = 0x0202,
    InUpdateResult80 = 0x0302,
    InUpdateResult81 = 0x0303,
    InDiskSpaceLack = 0x0207,
};
