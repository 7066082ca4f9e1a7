#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Pushes one message to the workbench's socket (under the prefix) and waits until it has been
// read. 0 delivered; 1 the socket is missing; 2 refused, timed out or failed (`error` says why).
int simPush(uint16_t code, uint16_t arg, const QByteArray& text, QString* error);
