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

    // The same login statuses by what the login dialog does with them.
    CS_RET_LOGIN_ACCESS_CHECK = CS_RET_LOGIN_3,        // passed on as the text "3": access check runs
    CS_RET_LOGIN_SECOND_FACTOR = CS_RET_LOGIN_7,       // 76: SMS second factor; 83, 84: a second step
    CS_RET_LOGIN_SMS_REFUSED = CS_RET_LOGIN_19,        // 80: the SMS code login was refused
    CS_RET_LOGIN_BIND_AGAIN = CS_RET_TIRROWA_20,       // the device is bound to another user
    CS_RET_LOGIN_LOCKED = CS_RET_LOGIN_21,             // 76: account locked, with a lock record
    CS_RET_LOGIN_RETRY = CS_RET_LOGIN_22,              // 76: refused, with a lock record or a text
    CS_RET_LOGIN_STEP_CODE = CS_RET_LOGIN_25,          // 83, 84: a second step with a code
    CS_RET_LOGIN_IMPROVE_USER_INFO = CS_RET_LOGIN_26,  // the user completes the profile first
};

// Statuses inside the client service's login documents (login.json, the code and reset answers).
enum cs_doc_status {
    CS_DOC_SUCCESS = 2000,
    CS_DOC_SMS_CODE = 6105,       // step login: an SMS code was sent
    CS_DOC_RESET_LOCKED = 6634,   // reset: too many wrong entries; msg holds the failure lock text
    CS_DOC_STEP_AGAIN = 6638,     // step login: the second step is over, start again at step 1
    CS_DOC_IMAGE_CODE = 8001,     // step login: an image code was sent
};

// Statuses of a pushed dynamic-authorization notice (SReqDynamicAuth, the message's argument).
// 0 (CS_RET_SUCCESS) is a fresh assessment that leaves every application open.
enum cs_dynamic_status {
    CS_RET_DYNAMIC_STOP_ALL_APP = 28,   // every application is stopped
    CS_RET_DYNAMIC_STOP_SPEC_APP = 29,  // the applications of dynamicAuthResponse.json are stopped
    CS_RET_DYNAMIC_AUTH_AGAIN = 30,     // the user must authenticate again (type in the same file)
    CS_RET_DYNAMIC_NOT_OPEN = 31,       // dynamic authorization is not in use
};
