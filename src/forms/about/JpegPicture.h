#pragma once

#include <QImage>

class QByteArray;

// Decodes a JPEG (baseline or progressive) with libjpeg into an RGB image; a null image when
// the data is no JPEG or libjpeg gives up on it.
QImage decodeJpeg(const QByteArray &data);
