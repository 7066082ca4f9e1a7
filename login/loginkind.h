#pragma once

// The kinds of login whose results the login dialog reads by the same rows, named after what
// was sent. A result's kind fixes which rows apply and which page they act on.
enum class LoginKind {
    Account,      // 66, 76, 80: the account login of the editions other than vesk
    Step,         // 83 to 86: the vesk account steps and the phone steps
    Phone,        // 70: the phone login
    Qrcode,       // 74: the QR-code login
    Certificate,  // 4101: the certificate (USB key) login
};
