#include "forms/about/JpegPicture.h"

#include <QByteArray>

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

// Larger pictures than this are refused rather than allocated.
constexpr unsigned long MaxPixels = 16UL * 1024 * 1024;

// libjpeg's own error handler ends the process; this one jumps back to the decoder instead.
struct TErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<TErrorManager *>(info->err)->jump, 1);
}

// Warnings (such as a file that ends early) are not shown: the picture is drawn as far as
// it goes.
void ignoreMessage(j_common_ptr)
{}

// NOTE: every object with a destructor lives in the caller, so a jump out of a failing
// libjpeg call from here skips none.
bool runDecoder(jpeg_decompress_struct *info, TErrorManager *errors, const QByteArray *data,
                QImage *image)
{
    if (setjmp(errors->jump)) {
        jpeg_destroy_decompress(info);
        return false;
    }
    jpeg_create_decompress(info);
    jpeg_mem_src(info, reinterpret_cast<const unsigned char *>(data->constData()),
                 static_cast<unsigned long>(data->size()));
    jpeg_read_header(info, TRUE);
    info->out_color_space = JCS_RGB;
    jpeg_start_decompress(info);
    const unsigned long pixels =
        static_cast<unsigned long>(info->output_width) * info->output_height;
    if (info->output_components != 3 || pixels == 0 || pixels > MaxPixels) {
        jpeg_destroy_decompress(info);
        return false;
    }
    *image = QImage(static_cast<int>(info->output_width), static_cast<int>(info->output_height),
                    QImage::Format_RGB888);
    if (image->isNull()) {
        jpeg_destroy_decompress(info);
        return false;
    }
    while (info->output_scanline < info->output_height) {
        JSAMPROW row = image->scanLine(static_cast<int>(info->output_scanline));
        jpeg_read_scanlines(info, &row, 1);
    }
    jpeg_finish_decompress(info);
    jpeg_destroy_decompress(info);
    return true;
}

} // namespace

QImage decodeJpeg(const QByteArray &data)
{
    if (data.isEmpty()) return {};
    jpeg_decompress_struct info{};
    TErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOnError;
    errors.base.output_message = ignoreMessage;
    QImage image;
    if (!runDecoder(&info, &errors, &data, &image)) return {};
    return image;
}
