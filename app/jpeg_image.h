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

// The host path of a picture of the assets folder: the "assets" folder next to the executable
// when it holds the file, otherwise the source tree's assets folder. Empty when neither has it.
QString AssetPath(const QString& fileName);
// LoadJpeg(AssetPath(fileName)).
QImage LoadAsset(const QString& fileName);

}  // namespace scourwell::app
