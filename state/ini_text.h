#pragma once

// The settings file's text, made by us rather than by QSettings so that writing it can be
// checked to the last byte (QSettings reports success when its final flush fails, and then
// leaves an empty file behind). The text follows QSettings' INI format rule for rule, so
// QSettings, which reads the file at start-up, reads back exactly the values written.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

namespace stowfolio {

// The whole file for `values`, keyed as QSettings::allKeys() names them: "Stowfolio/txtName"
// is key txtName of section [Stowfolio], a key without a section lands in [General].
QByteArray iniFileText(const QMap<QString, QVariant>& values);

} // namespace stowfolio
