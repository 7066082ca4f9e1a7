#pragma once

#include <QString>

// The image code sent in the vesk login document, stored as the picture of the code button.
class ImageCode
{
public:
    // `authImage` must begin with "data:image/png;base64,"; the rest is decoded and saved to
    // `path` as PNG. False (nothing written) for any other text or a picture that does not load.
    static bool saveBase64Imgae(const QString& authImage, const QString& path);
    // Where the account and phone pages keep their image codes (below the install root).
    static QString accountImagePath();
    static QString phoneImagePath();
};
