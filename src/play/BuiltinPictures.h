#pragma once

#include <QImage>

namespace pikoro {

// The pictures that come with the main screen itself, painted in code. Text is drawn with the
// application's fonts, so a QGuiApplication must exist.

// Size of the opening and the dance pictures, in pixels.
inline constexpr QSize BuiltinPictureSize{320, 240};
// Size of a dance sprite (375 twips) and of a companion, in pixels.
inline constexpr QSize SpritePixels{25, 25};
inline constexpr QSize CompanionPixels{15, 15};

// The opening picture: shown by the opening when no opening picture is assigned. A smiling sun over
// the name "ピコロ".
QImage openingPicture();

// The dance stage: the picture shown behind the F10 dance.
QImage dancePicture();

// The dance sprites: yellowBirdRight / yellowBirdLeft (the lead and trailing yellow birds facing
// right / left) and pinkBirdRight / pinkBirdLeft (the two pink birds facing right / left).
QImage yellowBirdRight();
QImage yellowBirdLeft();
QImage pinkBirdLeft();
QImage pinkBirdRight();

// The companions the sprites release: notePicture (a note, of the yellow birds) and heartPicture
// (a heart, of the pink birds).
QImage notePicture();
QImage heartPicture();

} // namespace pikoro

namespace pikoro {

// Size of the mascot and of each of its frames, in pixels.
inline constexpr QSize MascotPixels{128, 128};
// Number of mascot frames.
inline constexpr int MascotFrameCount = 3;

// The mascot's frames 0, 1, 2: a little mouse with its eyes open, half closed and
// closed. Any other frame number gives the open eyes.
QImage mascotFramePicture(int frame);

// Size of the miss picture, in pixels.
inline constexpr QSize MissPicturePixels{407, 247};

// The miss picture of the unassigned punctuation keys, a puzzled mouse beside "はずれ".
QImage missPicture();

// The picture of dance sprite `sprite` (a DanceSpriteIndex) facing right or left: a yellow bird
// for the lead and trailing sprites, a pink bird for the other two.
QImage danceSpritePicture(int sprite, bool facingLeft);

} // namespace pikoro
