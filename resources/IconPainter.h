#pragma once

#include "FileTypes.h"

#include <QImage>

// Draws a catalogue icon, size x size pixels, 32-bit with transparency.
QImage drawFileIcon(const FileTypeEntry& entry, IconShape shape, int size);
