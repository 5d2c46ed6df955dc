#pragma once

#include <QString>
#include <QStringList>

class TIdFTP;

// The facts of machine-readable listings (MLSD, MLST) a connection asks its server for.

// The "OPTS MLST" line that makes the server send the mode of each entry (unix.mode) instead of its
// rights letters (perm, "elradfmw"), which say nothing of the mode: the facts the listing reads that the
// MLST feature line of `capabilities` offers, perm left out. Empty when no unix.mode is offered, or when
// the server sends it already and no perm beside it.
QString mlstModeRequest(const QStringList& capabilities);

// Sends that line on a logged-in connection, when there is one to send; any reply is accepted (a server
// that refuses keeps listing as before).
void requestUnixMode(TIdFTP& ftp);
