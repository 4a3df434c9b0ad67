// Velmora: conversion of a drawn icon to an 8-bit palette image with alpha.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QImage>

namespace tarn::icons {

// Returns `source` as QImage::Format_Indexed8. Entry 0 of the palette is fully
// transparent and takes every fully transparent pixel; the other entries keep
// their own alpha, so anti-aliased edges survive. When the image has more than
// 255 visible colours, similar colours are merged (each entry is the mean of
// the colours it stands for). Returns a null image for a null source.
QImage toIndexedWithAlpha(const QImage &source);

} // namespace tarn::icons
