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

// Image9: shown by the opening when no opening picture is assigned. A smiling sun over the
// name "ピコロ".
QImage openingPicture();

// Image7: the stage shown behind the F10 dance.
QImage dancePicture();

// The dance sprites: yellowBirdRight / yellowBirdLeft (the first and fourth sprite facing right /
// left) and pinkBirdRight / pinkBirdLeft (the second and third sprite facing right / left).
QImage yellowBirdRight();
QImage yellowBirdLeft();
QImage pinkBirdLeft();
QImage pinkBirdRight();

// The companions the sprites release: notePicture (a note, of main and main4) and heartPicture (a
// heart, of the second and third sprite).
QImage notePicture();
QImage heartPicture();

} // namespace pikoro

namespace pikoro {

// Size of the mascot nezu and of each of its frames, in pixels.
inline constexpr QSize MascotPixels{128, 128};
// Number of mascot frames (step0, step1, step2).
inline constexpr int MascotFrameCount = 3;

// The mascot's frames step0, step1, step2: a little mouse with its eyes open, half closed and
// closed. Any other frame number gives the open eyes.
QImage mascotFramePicture(int frame);

// Size of the miss picture Image8, in pixels.
inline constexpr QSize MissPicturePixels{407, 247};

// Image8: the miss picture of the unassigned punctuation keys, a puzzled mouse beside "はずれ".
QImage missPicture();

// The picture of dance sprite `sprite` (0 main, 1 main2, 2 main3, 3 main4) facing right or
// left: Image1 / Image2 for main and main4, pinkBirdRight / pinkBirdLeft for main2 and main3.
QImage danceSpritePicture(int sprite, bool facingLeft);

} // namespace pikoro
