#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// One change made to a picture in the capture editor, from the point where
// the drag began to the point where it ended, in the picture's pixels. Masks
// and pixelation are burnt into the pixels: what they covered cannot be got
// back from the result.
struct CaptureEdit
{
    enum class Tool {
        Mask, // a filled black rectangle
        Pixelate, // large blocks, each the mean of the pixels it covers
        Frame, // a red rectangle outline
        Arrow, // a red arrow pointing at the end point
    };

    // The side of a pixelation block never drops below this many pixels:
    // smaller blocks would leave small text readable.
    static constexpr int MinimumBlock = 16;

    Tool tool = Tool::Mask;
    QPoint from;
    QPoint to;

    // The rectangle spanned by the two points, inside a picture of size.
    QRect area(const QSize &size) const;
    // Side of the blocks a pixelation of area uses.
    static int blockSide(const QRect &area);
    // Draws the change into image (in its pixels, whatever its pixel ratio).
    void applyTo(QImage &image) const;
};
