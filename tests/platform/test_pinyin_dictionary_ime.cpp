// SPDX-License-Identifier: GPL-3.0-or-later
// The dictionary input method: when it counts as installed, and the
// candidate lists it answers with.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include "platform/cp936.h"
#include "platform/paths.h"
#include "platform/pinyin_dictionary_ime.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

const QByteArray kSmall = "# Chimepad pinyin dictionary\n# comment\n虎\thu3\n长\tchang2 zhang3\n";

// The candidates of a list in the CANDIDATELIST layout.
QList<QByteArray> candidates(const QByteArray& list) {
  QList<QByteArray> out;
  const char* d = list.constData();
  const quint32 size = qFromLittleEndian<quint32>(d);
  const quint32 count = qFromLittleEndian<quint32>(d + 8);
  EXPECT_EQ(size, quint32(list.size()));
  for (quint32 i = 0; i < count; ++i) {
    const quint32 at = qFromLittleEndian<quint32>(d + candidate_list::kHeaderSize + 4 * i);
    out << QByteArray(d + at);
  }
  return out;
}

// The list the input method gives for one character, by the two-call
// protocol: ask for the size, then fetch.
QByteArray listOf(PinyinDictionaryIme& ime, const QString& c) {
  const QByteArray ansi = cp936::encode(c);
  const quint32 size = ime.reverseConversionList(PinyinDictionaryIme::kLayout, ansi, nullptr, 0);
  if (size == 0) return {};
  QByteArray list(qsizetype(size), ' ');
  EXPECT_EQ(ime.reverseConversionList(PinyinDictionaryIme::kLayout, ansi, list.data(), size), size);
  return list;
}

TEST(PinyinDictionaryIme, InstalledExactlyWhenItsFileReads) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("pinyin.txt"));
  struct Case {
    const char* what;
    std::optional<QByteArray> contents;  // nullopt: no file
    bool installed;
  };
  const Case cases[] = {
      {"missing", std::nullopt, false},
      {"empty", QByteArray(), false},
      {"wrong header", "# something else\n虎\thu3\n", false},
      {"header only", "# Chimepad pinyin dictionary\n", false},
      {"no well-formed line", "# Chimepad pinyin dictionary\n虎 hu3\n虎\tHU3\n\thu3\n", false},
      {"dictionary", kSmall, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(path);
    if (c.contents) writeFile(path, *c.contents);
    PinyinDictionaryIme ime({path});
    const QList<InputMethod::Layout> layouts = ime.keyboardLayoutList();
    if (c.installed) {
      ASSERT_EQ(layouts, QList<InputMethod::Layout>{PinyinDictionaryIme::kLayout});
      EXPECT_EQ(ime.imeName(layouts[0]), QStringLiteral("微软拼音输入法"));
      EXPECT_EQ(ime.loadedFrom(), path);
    } else {
      EXPECT_TRUE(layouts.isEmpty());
      EXPECT_EQ(ime.imeName(PinyinDictionaryIme::kLayout), std::nullopt);
      EXPECT_EQ(ime.maxKey(PinyinDictionaryIme::kLayout), 0);
      EXPECT_EQ(listOf(ime, QStringLiteral("虎")), QByteArray());
    }
  }
  // A directory where the file should be cannot be read either.
  QDir(dir.path()).mkdir(QStringLiteral("dir.txt"));
  PinyinDictionaryIme onDirectory({dir.filePath(QStringLiteral("dir.txt"))});
  EXPECT_TRUE(onDirectory.keyboardLayoutList().isEmpty());
  // Nor a FIFO (which would block the open) or a device (which never ends);
  // the next place is tried.
  const QString fifo = dir.filePath(QStringLiteral("fifo.txt"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  writeFile(path, kSmall);
  PinyinDictionaryIme onSpecial({fifo, QStringLiteral("/dev/zero"), path});
  EXPECT_EQ(onSpecial.keyboardLayoutList().size(), 1);
  EXPECT_EQ(onSpecial.loadedFrom(), path);
}

TEST(PinyinDictionaryIme, FileInstalledLaterIsFoundByTheNextQuestion) {
  QTemporaryDir dir;
  const QString first = dir.filePath(QStringLiteral("a/pinyin.txt"));
  const QString second = dir.filePath(QStringLiteral("b/pinyin.txt"));
  PinyinDictionaryIme ime({first, second});
  EXPECT_TRUE(ime.keyboardLayoutList().isEmpty());
  QDir(dir.path()).mkpath(QStringLiteral("b"));
  writeFile(second, kSmall);
  EXPECT_EQ(ime.keyboardLayoutList().size(), 1);
  EXPECT_EQ(ime.loadedFrom(), second);
  // Once read, the dictionary stays, as a loaded input method does.
  QFile::remove(second);
  EXPECT_EQ(ime.keyboardLayoutList().size(), 1);
}

TEST(PinyinDictionaryIme, AnswersCandidateListsInTheirOrder) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("pinyin.txt"));
  writeFile(path,
            "# Chimepad pinyin dictionary\r\n"
            "长\tchang2 zhang3\r\n"
            "双\tshuang1 Bad x shuang5\r\n"  // malformed readings are left out
            "虎\thu3\n"
            "虎\thu4\n"  // a second line for a character is ignored
            "no tab here\n"
            "\xff\xfe\thu3\n"  // not UTF-8
            "〇\tling2\n");
  PinyinDictionaryIme ime({path});
  ASSERT_EQ(ime.keyboardLayoutList().size(), 1);
  EXPECT_EQ(ime.maxKey(PinyinDictionaryIme::kLayout), 7);  // "shuang1"
  EXPECT_EQ(candidates(listOf(ime, QStringLiteral("长"))), (QList<QByteArray>{"chang2", "zhang3"}));
  EXPECT_EQ(candidates(listOf(ime, QStringLiteral("双"))),
            (QList<QByteArray>{"shuang1", "shuang5"}));
  EXPECT_EQ(candidates(listOf(ime, QStringLiteral("虎"))), (QList<QByteArray>{"hu3"}));
  EXPECT_EQ(candidates(listOf(ime, QStringLiteral("〇"))), (QList<QByteArray>{"ling2"}));
  // No reading, a byte that is no character, another layout: nothing.
  EXPECT_EQ(listOf(ime, QStringLiteral("中")), QByteArray());
  EXPECT_EQ(ime.reverseConversionList(PinyinDictionaryIme::kLayout, "\x81", nullptr, 0), 0u);
  EXPECT_EQ(ime.reverseConversionList(0x04090409, cp936::encode(u"虎"), nullptr, 0), 0u);
  EXPECT_EQ(ime.imeName(0x04090409), std::nullopt);
  // A buffer too small for the list is refused, not overrun.
  const QByteArray ansi = cp936::encode(u"长");
  const quint32 size = ime.reverseConversionList(PinyinDictionaryIme::kLayout, ansi, nullptr, 0);
  QByteArray small(qsizetype(size) - 1, '#');
  EXPECT_EQ(ime.reverseConversionList(PinyinDictionaryIme::kLayout, ansi, small.data(), size - 1),
            0u);
  EXPECT_EQ(small, QByteArray(qsizetype(size) - 1, '#'));
}

TEST(PinyinDictionaryIme, LooksBesideTheProgramThenInItsShareFolder) {
  const QString exe = executableDir();
  EXPECT_EQ(PinyinDictionaryIme::defaultPlaces(),
            (QStringList{exe + QStringLiteral("/pinyin.txt"),
                         QDir::cleanPath(exe + QStringLiteral("/../share/chimepad/pinyin.txt"))}));
}

// The input method gets the character's bytes in the code page.
TEST(Cp936, EncodeCharGivesBothBytesOfADoubleByteCharacter) {
  EXPECT_EQ(cp936::encodeChar(u'虎'), QByteArray("\xBB\xA2"));
  EXPECT_EQ(cp936::encodeChar(u'〇'), QByteArray("\xA9\x96"));
  EXPECT_EQ(cp936::encodeChar(u'a'), QByteArray("a"));
  bool ok = true;
  EXPECT_EQ(cp936::encodeChar(u'\u0E01', &ok), QByteArray("?"));
  EXPECT_FALSE(ok);
}

}  // namespace
