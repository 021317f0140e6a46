// Mapping the designer's faces to installed ones. Fontconfig would resolve an unknown family to
// whatever the machine has (a fresh Debian draws "MS Sans Serif" in a monospace face), so the
// program never asks for a face it does not know to be there.

#include <QFontDatabase>

#include "core/common/legacy_fonts.h"

namespace ronvalo {

QStringList familyCandidates(LegacyFace face) {
    switch (face) {
#ifdef Q_OS_WIN
    case LegacyFace::MsSansSerif:
        return {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans")};
    case LegacyFace::Arial:
        return {QStringLiteral("Arial"), QStringLiteral("Liberation Sans")};
    case LegacyFace::TimesNewRoman:
        return {QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")};
#else
    // Liberation Sans has Arial's widths, which the windows' texts fit with room to spare.
    case LegacyFace::MsSansSerif:
    case LegacyFace::Arial:
        return {QStringLiteral("Liberation Sans")};
    case LegacyFace::TimesNewRoman:
        return {QStringLiteral("Liberation Serif")};
#endif
    }
    return {};
}

namespace {

QString firstInstalled(LegacyFace face) {
    const QStringList candidates = familyCandidates(face);
    for (const QString& family : candidates)
        if (QFontDatabase::hasFamily(family))
            return family;
    return candidates.value(0);
}

} // namespace

QString familyFor(LegacyFace face) {
    // Asking the font database resolves the family through fontconfig's substitution rules each
    // time, far dearer than the text drawn with it: every face is looked up once per process, on
    // first use, and stays as found (the program installs no faces of its own while it runs).
    static const QString families[] = {
        firstInstalled(LegacyFace::MsSansSerif),
        firstInstalled(LegacyFace::Arial),
        firstInstalled(LegacyFace::TimesNewRoman),
    };
    return families[static_cast<int>(face)];
}

QFont legacyFont(LegacyFace face) {
    QFont font;
    font.setFamilies({familyFor(face)});
    font.setStyleHint(face == LegacyFace::TimesNewRoman ? QFont::Serif : QFont::SansSerif);
    return font;
}

QFont windowFont(int pixelSize, bool bold) {
    QFont font = legacyFont(LegacyFace::MsSansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

} // namespace ronvalo
