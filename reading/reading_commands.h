#pragma once
// The reading menu: start and stop, the timers' ticks, voice and speed.
struct Program;

class ReadingCommands {
 public:
  explicit ReadingCommands(Program& p) : p_(p) {}
  void numStart();
  void numStop();
  void timer2Tick();
  void timer3Tick();
  void numSoundOpt(int index);
  void numSoundSpeed(int index);

 private:
  Program& p_;
};
