#pragma once

#include "core/base/Errors.h"

// The errors every part of the FTP client raises alike.
QeltoError notConnected();     // "Not Connected", ConnectionLost
QeltoError operationAborted(); // "Operation aborted.", Aborted

// Whether the control connection of an FTP client can take the next command after `error` ended a
// call on it. Where the answer is no, the client has closed the connection already or the caller
// must: replies may be owed or lost, so the next command could read the wrong one.
bool connectionUsableAfter(const QeltoError& error);
