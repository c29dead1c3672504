// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test doubles that write every output step into one log, in order: the
// multimedia command texts, the wav files played, the timers switched and
// their intervals.
#include <QString>
#include <QStringList>
#include <functional>

#include "platform/mci_commands.h"
#include "platform/sound_output.h"
#include "platform/timer.h"
#include "program/reading_state.h"
#include "reading/speech.h"

struct OutputLog {
  QStringList steps;
};

// "Timer2 on", "Timer2 off", "Timer3 interval 235".
class LoggingTimer : public Timer {
 public:
  LoggingTimer(QString name, OutputLog& log) : name_(std::move(name)), log_(log) {}
  void setInterval(int ms) override {
    interval_ = ms;
    log_.steps << name_ + QStringLiteral(" interval ") + QString::number(ms);
  }
  int interval() const override { return interval_; }
  void setEnabled(bool on) override {
    enabled_ = on;
    log_.steps << name_ + (on ? QStringLiteral(" on") : QStringLiteral(" off"));
  }
  bool enabled() const override { return enabled_; }

 private:
  QString name_;
  OutputLog& log_;
  int interval_ = 0;
  bool enabled_ = false;
};

// "mci <the multimedia command the call stands for>", "wav <path>", "stop".
class LoggingSound : public SoundOutput {
 public:
  explicit LoggingSound(OutputLog& log) : log_(log) {}
  bool openSegmentFile(const QString& path) override {
    log_.steps << QStringLiteral("mci ") + mciOpenCommand(path);
    if (mciResult != 0) segmentPath = path;
    return mciResult != 0;
  }
  bool playSegmentRange(qint64 from, qint64 to) override {
    log_.steps << QStringLiteral("mci ") + mciPlayCommand(segmentPath, from, to);
    return mciResult != 0;
  }
  bool closeSegmentFile() override {
    log_.steps << QStringLiteral("mci ") + mciCloseCommand();
    return true;
  }
  // Every wav sound is played without waiting; its length is counted by
  // the reading's wav timer.
  void playWav(const QString& path, bool) override {
    log_.steps << QStringLiteral("wav ") + path;
    if (onWav) onWav(path);
  }
  qint64 soundLengthMs(const QString&) override { return 0; }
  void stopAll() override { log_.steps << QStringLiteral("stop"); }

  int mciResult = 1;
  QString segmentPath = QStringLiteral("/app/QZCSo.wav");
  // Runs while a wav "plays", as the event loop would during the wait.
  std::function<void(const QString&)> onWav;

 private:
  OutputLog& log_;
};

// The surroundings of speech with the logging doubles (no wav timer) and
// the sound set at "/app/".
struct LoggedSpeech {
  OutputLog log;
  LoggingTimer timer2{QStringLiteral("Timer2"), log};
  LoggingTimer timer3{QStringLiteral("Timer3"), log};
  LoggingSound sound{log};
  ReadingState reading;

  LoggedSpeech() {
    reading.AppDir = QStringLiteral("/app/");
    reading.SegmentFilePath = QStringLiteral("/app/QZCSo.wav");
  }
  SpeechContext context() { return SpeechContext{reading, &sound, &timer2, &timer3, nullptr}; }
  QStringList take() {
    QStringList s = log.steps;
    log.steps.clear();
    return s;
  }
};

// The steps expected of one sound.
inline QStringList wavStep(const QString& sound) {
  return {QStringLiteral("wav /app/Sounds/") + sound + QStringLiteral(".wav")};
}
inline QStringList segmentSteps(int from, int to, int pause) {
  return {QStringLiteral("Timer2 off"),
          QStringLiteral("mci play /app/QZCSo.wav from %1 to %2").arg(from).arg(to),
          QStringLiteral("Timer3 interval %1").arg(pause), QStringLiteral("Timer3 on")};
}
inline QStringList pauseSteps(int ms) {
  return {QStringLiteral("Timer2 off"), QStringLiteral("Timer3 interval %1").arg(ms),
          QStringLiteral("Timer3 on")};
}

// The steps of a short description: "b i1 an3" are wav files played one
// after another; "10650-11180[430]" is a segment with its pause (the length
// of the range when no pause is given); "" is no step at all.
inline QStringList expectedSteps(const QString& description) {
  QStringList steps;
  for (const QString& token : description.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    const int dash = token.indexOf(QLatin1Char('-'));
    if (dash > 0 && token.at(0).isDigit()) {
      const int bracket = token.indexOf(QLatin1Char('['));
      const int from = token.left(dash).toInt();
      const int to = token.mid(dash + 1, bracket < 0 ? -1 : bracket - dash - 1).toInt();
      const int pause = bracket < 0 ? to - from : token.mid(bracket + 1).chopped(1).toInt();
      steps << segmentSteps(from, to, pause);
    } else {
      steps << wavStep(token);
    }
  }
  return steps;
}
