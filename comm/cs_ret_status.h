#pragma once

// Reply statuses of the client service (reply bytes 2-3) that the request worker interprets.
enum cs_ret_status {
    CS_RET_SUCCESS = 0,
    CS_RET_LOGIN_3 = 3,
    CS_RET_LOGIN_7 = 7,
    CS_RET_LOGIN_14 = 14,
    CS_RET_LOGIN_15 = 15,
    CS_RET_LOGIN_16 = 16,
    CS_RET_LOGIN_17 = 17,
    CS_RET_LOGIN_18 = 18,
    CS_RET_LOGIN_19 = 19,
    CS_RET_TIRROWA_20 = 20,
    CS_RET_LOGIN_21 = 21,
    CS_RET_LOGIN_22 = 22,
    CS_RET_LOGIN_25 = 25,
    CS_RET_LOGIN_26 = 26,
    CS_RET_ROMOTE_LOGIN_WARN = 27,
};

// Statuses of a pushed dynamic-authorization notice (SReqDynamicAuth, the message's argument).
// 0 (CS_RET_SUCCESS) is a fresh assessment that leaves every application open.
enum cs_dynamic_status {
    CS_RET_DYNAMIC_STOP_ALL_APP = 28,   // every application is stopped
    CS_RET_DYNAMIC_STOP_SPEC_APP = 29,  // the applications of dynamicAuthResponse.json are stopped
    CS_RET_DYNAMIC_AUTH_AGAIN = 30,     // the user must authenticate again (type in the same file)
    CS_RET_DYNAMIC_NOT_OPEN = 31,       // dynamic authorization is not in use
};
