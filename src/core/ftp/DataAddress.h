#pragma once

#include <QHostAddress>
#include <QString>

// Address of a passive data connection as a server's reply names it.
struct DataAddress {
    QString host; // "a.b.c.d"; empty when an EPSV reply leaves the host out
    quint16 port = 0;
};

// Reads a PASV reply line ("227 Entering Passive Mode (10,0,0,1,4,1)", with or without the code, with or
// without the parentheses). Throws QeltoError unless it holds six numbers of 0..255 naming a port above 0.
DataAddress parsePasvReply(const QString& firstLine);

// Reads an EPSV reply line ("229 Entering Extended Passive Mode (|||6446|)"). The first character
// inside the parentheses is the delimiter; the third field is the host, the fourth the port. Throws
// QeltoError "Server sent invalid port number (<port text>)" unless the port is 1..65535.
DataAddress parseEpsvReply(const QString& firstLine);

// The argument of PORT: "a,b,c,d,p1,p2". Throws QeltoError for an address that is not IPv4.
QString portArgument(const QHostAddress& address, quint16 port);

// The argument of EPRT: "|1|a.b.c.d|port|" ("|2|...|" for IPv6).
QString eprtArgument(const QHostAddress& address, quint16 port);

// The host a passive data connection goes to. Only the control connection's peer is ever used: a
// reply naming another host (or none) is overridden, so a server cannot make the client connect to
// other machines of the user's network. A reply naming the peer itself is kept as written.
// Throws QeltoError "Not Connected" when there is no peer.
QString chooseDataHost(const QString& replyHost, const QHostAddress& controlPeer);
