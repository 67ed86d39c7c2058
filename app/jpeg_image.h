#pragma once

// JPEG pictures of the window, decoded with libjpeg, and where the program finds them.

#include <QImage>
#include <QString>

namespace scourwell::app {

// Decodes a JPEG file into an RGB image; a null image when the file is missing or is not a
// readable JPEG (a corrupt file never ends the program).
QImage LoadJpeg(const QString& path);
// Decodes JPEG bytes held in memory; a null image on any error.
QImage DecodeJpeg(const QByteArray& bytes);

// The host path of one of the program's pictures, found from the executable's own folder: its
// "assets" folder (the build tree), else "../../share/scourwell/assets" (an installed program
// in lib/scourwell). Empty when neither has it.
QString AssetPath(const QString& fileName);
// LoadJpeg(AssetPath(fileName)).
QImage LoadAsset(const QString& fileName);

}  // namespace scourwell::app
