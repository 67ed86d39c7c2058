#include "app/jpeg_image.h"

#include <jpeglib.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csetjmp>
#include <cstdio>

namespace scourwell::app {
namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(errors->jump, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Everything that lives across setjmp is set up before it and only read after it.
QImage Decode(const unsigned char* data, unsigned long size) {
    if (!data || size == 0) return {};
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    errors.base.output_message = IgnoreJpegMessage;
    QImage image;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || info.output_width == 0 || info.output_height == 0) {
        jpeg_destroy_decompress(&info);
        return {};
    }
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes) {
    return Decode(reinterpret_cast<const unsigned char*>(bytes.constData()),
                  static_cast<unsigned long>(bytes.size()));
}

QImage LoadJpeg(const QString& path) {
    if (path.isEmpty()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return DecodeJpeg(file.readAll());
}

QString AssetPath(const QString& fileName) {
    if (!QCoreApplication::instance()) return {};
    // The build puts the pictures beside the executables; an installed program keeps them
    // with its shared data, two levels up from its own folder (lib/scourwell -> share).
    const QDir programFolder(QCoreApplication::applicationDirPath());
    for (const QString& folder : {QStringLiteral("assets"),
                                  QStringLiteral("../../share/scourwell/assets")}) {
        const QString candidate = QDir(programFolder.filePath(folder)).filePath(fileName);
        if (QFileInfo(candidate).isFile()) return QDir::cleanPath(candidate);
    }
    return {};
}

QImage LoadAsset(const QString& fileName) {
    const QString path = AssetPath(fileName);
    // A missing picture is an incomplete installation; the window still works without it.
    if (path.isEmpty()) qWarning("Scourwell: picture %s not found", qPrintable(fileName));
    return LoadJpeg(path);
}

}  // namespace scourwell::app
