#pragma once

class QPainter;
class QRectF;

namespace pikoro {

struct WmfFile;

// Plays a metafile's records onto a painter whose coordinates are the frame's: the file's
// window is mapped onto the frame, and a placeable file's viewport stays fixed there. Records
// that are not drawn, and records whose parameters do not fit them, are skipped one by one.
void playWmf(const WmfFile &file, const QRectF &frame, QPainter &painter);

} // namespace pikoro
