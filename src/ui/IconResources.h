// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QIcon>
#include <QImage>

// The program's icons by resource number; a null icon when the number names none
// (the caller then leaves its display as it was).
QIcon LoadIconResource(int number);
QIcon MainWindowIcon();
QIcon ControlCenterIcon();
QIcon ApplicationIcon();

// An image the program carries, read in the format it is stored in (a null image when
// there is none). Asked to guess a file's format, Qt loads every image format plugin it
// has first, the SVG one with the whole SVG library among them.
QImage ReadImageResource(const QString& path, const char* format);
