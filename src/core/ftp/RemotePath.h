#pragma once

#include <QByteArray>

// A remote folder path and an entry name joined with "/", both as the server's bytes. An empty folder
// gives the name alone; a folder ending in "/" (the root among them) gets no second one.
QByteArray joinRemotePath(const QByteArray& folder, const QByteArray& name);
