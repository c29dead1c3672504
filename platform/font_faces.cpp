// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/font_faces.h"

#include <QFontDatabase>
#include <QHash>
#include <QSet>

#ifdef CHIMEPAD_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace fontfaces {

QString withoutFoundry(const QString& family) {
  const QString f = family.trimmed();
  if (f.endsWith(QLatin1Char(']'))) {
    const qsizetype open = f.lastIndexOf(QStringLiteral(" ["));
    if (open > 0) return f.left(open);
  }
  return f;
}

QStringList shownFamilies(const QStringList& families, QString (*chinese)(const QString&)) {
  QStringList out;
  QSet<QString> seen;
  for (const QString& family : families) {
    const QString plain = withoutFoundry(family);
    if (plain.isEmpty()) continue;
    const QString zh = chinese ? chinese(plain) : QString();
    const QString shown = zh.isEmpty() ? plain : zh;
    if (seen.contains(shown.toCaseFolded())) continue;
    seen.insert(shown.toCaseFolded());
    out << shown;
  }
  return out;
}

#ifdef CHIMEPAD_HAVE_FONTCONFIG

namespace {

// Every family name of every installed font, with the Chinese name of its
// font; built once.
const QHash<QString, QString>& chineseNames() {
  static const QHash<QString, QString> names = [] {
    QHash<QString, QString> map;
    FcPattern* all = FcPatternCreate();
    FcObjectSet* what = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr);
    FcFontSet* set = FcFontList(nullptr, all, what);
    if (set) {
      for (int i = 0; i < set->nfont; ++i) {
        QStringList families;
        QString simplified, traditional;
        FcChar8* family = nullptr;
        for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &family) == FcResultMatch;
             ++k) {
          const QString name = QString::fromUtf8(reinterpret_cast<const char*>(family));
          families << name;
          FcChar8* lang = nullptr;
          if (FcPatternGetString(set->fonts[i], FC_FAMILYLANG, k, &lang) != FcResultMatch) continue;
          const QString l = QString::fromUtf8(reinterpret_cast<const char*>(lang)).toLower();
          if (simplified.isEmpty() && (l == QLatin1String("zh-cn") || l == QLatin1String("zh-sg") ||
                                       l == QLatin1String("zh")))
            simplified = name;
          if (traditional.isEmpty() && (l == QLatin1String("zh-tw") ||
                                        l == QLatin1String("zh-hk") || l == QLatin1String("zh-mo")))
            traditional = name;
        }
        const QString zh = simplified.isEmpty() ? traditional : simplified;
        if (zh.isEmpty()) continue;
        for (const QString& name : families) map.insert(name.toCaseFolded(), zh);
      }
      FcFontSetDestroy(set);
    }
    FcObjectSetDestroy(what);
    FcPatternDestroy(all);
    return map;
  }();
  return names;
}

}  // namespace

QString chineseName(const QString& family) { return chineseNames().value(family.toCaseFolded()); }

QString resolveFace(const QString& name) {
  if (name.trimmed().isEmpty()) return {};
  // Asked as for Simplified Chinese text, as the editor's text is.
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(name.trimmed().toUtf8().constData()));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("zh-cn"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  QString found;
  FcChar8* family = nullptr;
  if (match && FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
    found = QString::fromUtf8(reinterpret_cast<const char*>(family));
  if (match) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  if (found.isEmpty()) return {};
  const QString zh = chineseName(found);
  return zh.isEmpty() ? found : zh;
}

#else

QString chineseName(const QString&) { return {}; }

QString resolveFace(const QString&) { return {}; }

#endif

QStringList screenFaces() { return shownFamilies(QFontDatabase::families(), &chineseName); }

}  // namespace fontfaces
