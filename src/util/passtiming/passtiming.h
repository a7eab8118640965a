#pragma once
// Timing of the named passes of a frame, for benchmarks that split a frame's cost. The player
// installs no timer, so a pass costs one null test; with a timer installed every pass boundary
// waits for the GL to finish, so that each pass is charged with its own rasterising.

class PassTimer {
 public:
  virtual ~PassTimer() = default;
  // Called at the start of the pass `name` (a literal), after the GL has finished the work
  // queued before it.
  virtual void Begin(const char* name) = 0;
  // Called at the end of the pass begun last, after the GL has finished it.
  virtual void End() = 0;
};

// The timer every TimedPass reports to; nullptr (the default) turns timing off.
void SetPassTimer(PassTimer* timer);

// Times the scope it lives in as the pass `name`. Passes may nest (a light-marker model draws
// its own passes inside the main one); the timer sees the Begin/End pairs in order.
class TimedPass {
 public:
  explicit TimedPass(const char* name);
  ~TimedPass();
  TimedPass(const TimedPass&) = delete;
  TimedPass& operator=(const TimedPass&) = delete;

 private:
  const char* name_;
};
