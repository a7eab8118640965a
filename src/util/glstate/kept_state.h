#pragma once
// Keeps a piece of GL state for the length of a pass: takes it when made and sets it again when
// it goes (State is BlendState or DepthState).

template <typename State>
class KeptState {
 public:
  KeptState() : saved_(State::Current()) {}
  ~KeptState() { saved_.Apply(); }
  KeptState(const KeptState&) = delete;
  KeptState& operator=(const KeptState&) = delete;
  const State& saved() const { return saved_; }

 private:
  State saved_;
};
