// SPDX-License-Identifier: GPL-3.0-or-later
// The places of the files last closed: a store of its own, kept atomically,
// read only when it is a regular file of a sensible size; and the window
// going back to a file's place when it is opened again.
#include <gtest/gtest.h>
#include <QAction>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <sys/stat.h>

#include "app/file_places.h"
#include "app/main_window.h"
#include "platform/edit_control.h"
#include "support/test_window.h"
#include "support/wait.h"

namespace {

TEST(FilePlaces, RemembersTheLastHundredFilesMostRecentFirst) {
  QTemporaryDir tmp;
  const QString store = tmp.filePath(QStringLiteral("state/places"));
  FilePlaces places(store);
  ASSERT_TRUE(places.load());  // no file yet: an empty store
  for (int i = 0; i < 105; ++i)
    places.remember(tmp.filePath(QStringLiteral("f%1.txt").arg(i)), {i, 10 * i});
  // Again: the place is replaced and the file is the most recent one.
  places.remember(tmp.filePath(QStringLiteral("f50.txt")), {7, 8});
  ASSERT_TRUE(places.save());

  FilePlaces again(store);
  ASSERT_TRUE(again.load());
  EXPECT_EQ(again.size(), 100);
  const struct {
    const char* name;
    std::optional<int> caret;
  } cases[] = {
      {"f104.txt", 104},        {"f5.txt", 5},
      {"f4.txt", std::nullopt},  // the oldest gone
      {"f50.txt", 7},           {"f0.txt", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto place = again.find(tmp.filePath(QString::fromLatin1(c.name)));
    ASSERT_EQ(place.has_value(), c.caret.has_value());
    if (place) { EXPECT_EQ(place->caret, *c.caret); }
  }
  // The same file by another spelling of its path.
  EXPECT_EQ(again.find(tmp.path() + QStringLiteral("/state/../f50.txt"))->scroll, 8);
  // Adding the 101st drops f5, the oldest now.
  again.remember(tmp.filePath(QStringLiteral("new.txt")), {1, 1});
  EXPECT_FALSE(again.find(tmp.filePath(QStringLiteral("f5.txt"))));
  EXPECT_TRUE(again.find(tmp.filePath(QStringLiteral("f6.txt"))));
}

TEST(FilePlaces, NamesWithTabsNewlinesAndChineseSurvive) {
  QTemporaryDir tmp;
  const QString store = tmp.filePath(QStringLiteral("places"));
  const QString names[] = {QStringLiteral("笔记 一.txt"), QStringLiteral("a\tb.txt"),
                           QStringLiteral("a\nb.txt"), QStringLiteral("100%.txt")};
  FilePlaces places(store);
  int i = 0;
  for (const QString& n : names) places.remember(tmp.filePath(n), {++i, 0});
  ASSERT_TRUE(places.save());
  FilePlaces again(store);
  ASSERT_TRUE(again.load());
  i = 0;
  for (const QString& n : names) {
    const auto place = again.find(tmp.filePath(n));
    ASSERT_TRUE(place) << n.toStdString();
    EXPECT_EQ(place->caret, ++i);
  }
}

TEST(FilePlaces, WhatIsNoStoreIsNotRead) {
  QTemporaryDir tmp;
  // A FIFO (the read would block), a folder, a file beyond the size cap,
  // damaged lines among good ones.
  const QString fifo = tmp.filePath(QStringLiteral("fifo"));
  ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const QString big = tmp.filePath(QStringLiteral("big"));
  {
    QFile f(big);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(64 * 1024 * 1024));
  }
  const QString damaged = tmp.filePath(QStringLiteral("damaged"));
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# Chimepad file places 1\nx\t0\t/a.txt\n-5\t0\t/b.txt\n3\t4\n12\t0\t/c.txt\n");
  }
  const struct {
    QString store;
    bool ok;
    int size;
  } cases[] = {{fifo, false, 0}, {tmp.path(), false, 0}, {big, false, 0}, {damaged, true, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.store.toStdString());
    FilePlaces places(c.store);
    EXPECT_EQ(places.load(), c.ok);
    EXPECT_EQ(places.size(), c.size);
  }
  FilePlaces places(damaged);
  places.load();
  EXPECT_EQ(places.find(QStringLiteral("/c.txt"))->caret, 12);
}

// The window: closing a file remembers its caret and scroll, opening it
// again goes back there; the place where reading stopped is the caret.
TEST(FilePlaces, TheWindowGoesBackToTheCaretAndScrollOfAFile) {
  QTemporaryDir tmp;
  const QString a = tmp.filePath(QStringLiteral("a.txt"));
  const QString b = tmp.filePath(QStringLiteral("b.txt"));
  QByteArray longText;
  for (int i = 0; i < 400; ++i) longText += "line " + QByteArray::number(i) + "\r\n";
  for (const QString& f : {a, b}) {
    QFile file(f);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(longText);
  }
  FilePlaces places(tmp.filePath(QStringLiteral("places")));
  ScriptedUi ui;
  TempSettings temp;
  temp.store->write("Type", "txt", "1");
  MainWindow w(WindowDeps(ui, *temp.store).places(places));
  w.formLoad();
  w.resize(500, 300);
  w.show();
  Program& p = w.program();
  w.documents().openFile(a);
  p.txtFile->setSelStart(2000);
  QScrollBar* bar = p.txtFile->verticalScrollBar();
  ASSERT_TRUE(waitUntil([&] { return bar->maximum() > 100; }, 3000));
  bar->setValue(bar->maximum() / 2);
  const int scroll = bar->value();
  w.documents().openFile(b);  // a is closed: its place is stored
  EXPECT_EQ(p.txtFile->SelStart(), 0);
  ASSERT_TRUE(places.find(a));
  EXPECT_EQ(places.find(a)->caret, 2000);
  w.documents().openFile(a);
  EXPECT_EQ(p.txtFile->SelStart(), 2000);
  EXPECT_TRUE(waitUntil([&] { return bar->value() == scroll; }, 3000)) << bar->value();
  // Stored on disk, for the next run.
  FilePlaces next(places.storeFile());
  ASSERT_TRUE(next.load());
  EXPECT_EQ(next.find(a)->scroll, scroll);
}

}  // namespace
