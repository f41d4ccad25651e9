#pragma once

// One line of text for a cell format, the same for every reader, so that a test compares a
// reader's view of a cell with what the layout table says in one assertion and a difference
// shows whole: "Times New Roman 16 bold #273359 | center center wrap | fill #F4F4F4 |
// thin border | 0" (font, alignment, fill, borders, number format id).

#include "tests/interop/template_layout.h"

#include <QJsonObject>

#include <string>

namespace template_layout {

std::string expectedLook(const Look& look);

// From a description in the layout that describe_xls.py writes (font, horizontal, vertical,
// wrap, fill {pattern, color}, borders {style, color}, number_format_id).
std::string seenLook(const QJsonObject& format, bool automaticFontColor);

// Gnumeric and LibreOffice describe cells their own way; these bring them to that layout.
QJsonObject gnumericFormat(const QJsonObject& style);
QJsonObject libreOfficeFormat(const QJsonObject& style);

} // namespace template_layout
