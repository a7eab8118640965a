#include "util/music/notedata.h"

#include <algorithm>
#include <limits>

#include "system/log.h"
#include "util/music/modulators/arp.h"

namespace {

// The state of one lane just before a beat.
struct LaneState {
  bool held = false;
  double on = -1.0;   // latest note start
  double off = -1.0;  // latest note end
};

// Walks the lane's events that lie before the beat. Overlapping notes of one key are counted,
// so the lane stays held until the last of them ends. ref follows the latest change seen.
LaneState WalkLane(const NoteLane& lane, double beat, double& ref) {
  LaneState state;
  int count = 0;
  for (double event : lane.events) {
    if (std::fabs(event) >= beat) break;
    if (IsNoteStart(event)) {
      if (count == 0) {
        state.on = event;
        ref = std::max(ref, event);
      }
      ++count;
    } else {
      count = std::max(count - 1, 0);
      if (count == 0) {
        state.off = std::fabs(event);
        ref = std::max(ref, state.off);
      }
    }
  }
  state.held = count > 0;
  return state;
}

// The value of one lane: 1 or 0 without modulators, else the product of the modulators.
float LaneValue(const NoteTrack& track, const LaneState& state, double beat, float bpm) {
  if (track.modulators.empty()) return state.held ? 1.0f : 0.0f;
  double product = 1.0;
  for (const auto& modulator : track.modulators) {
    if (modulator->key >= 0) {
      // An LFO follows the latest value of its controller at the beat.
      const NoteKeyEvents& controller = track.keyEvents[modulator->key];
      int value = -1;
      for (size_t i = 0; i < controller.times.size() && controller.times[i] <= beat; ++i)
        value = controller.values[i];
      if (value >= 0) modulator->ApplyControllerValue(value);
    }
    product *= modulator->GetValue(bpm, beat, state.off, state.on);
  }
  return static_cast<float>(product);
}

// The step of an arpeggiator, counted in periods from the track's latest note change.
uint32_t ArpStep(double beat, double ref, double period) {
  if (period <= 0.0) return 0;
  const double steps = std::trunc((beat - ref) / period);
  if (!(steps >= 0.0)) return 0;
  if (steps >= static_cast<double>(std::numeric_limits<uint32_t>::max()))
    return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(steps);
}

// Keeps only the value of the held lane an arpeggiator selects.
void ApplyArp(const Arp& arp, const std::vector<size_t>& held, double beat, double ref,
              std::vector<float>& values) {
  size_t keep = values.size();  // none
  if (held.size() == 1) {
    keep = held[0];
  } else if (held.size() >= 2) {
    if (arp.pattern != ArpPattern::UpDown)
      ExitMsgFmt(__FILE__, __LINE__, "Unhandled arp pattern {}!", static_cast<int>(arp.pattern));
    const uint32_t step = ArpStep(beat, ref, arp.period);
    keep = held[Arp::UpDownPosition(step, static_cast<uint32_t>(held.size()))];
  }
  for (size_t i = 0; i < values.size(); ++i)
    if (i != keep) values[i] = 0.0f;
}

}  // namespace

NoteLane& FindOrAddLane(NoteTrack& track, uint8_t key) {
  for (NoteLane& lane : track.lanes)
    if (lane.key == key) return lane;
  NoteLane lane;
  lane.key = key;
  lane.name = GetNoteName(key);
  track.lanes.push_back(std::move(lane));
  return track.lanes.back();
}

std::string GetNoteName(uint8_t key) {
  static const char* const kNames[12] = {"C", "C#", "D", "D#", "E", "F",
                                         "F#", "G", "G#", "A", "A#", "B"};
  return kNames[key % 12] + std::to_string(key / 12);
}

const NoteTrack& GetNoteTrack(const NoteData& notes, int track) {
  if (track < 0 || static_cast<size_t>(track) >= notes.tracks.size())
    ExitMsg(__FILE__, __LINE__, "Track number out of bounds");
  return notes.tracks[track];
}

std::vector<float> GetNoteValues(NoteData* notes, int track_index, double beat, double bpm) {
  if (!notes) return {};
  const NoteTrack& track = GetNoteTrack(*notes, track_index);
  std::vector<float> values(track.lanes.size(), 0.0f);
  if (beat < 0.0) return values;

  double ref = -1.0;
  std::vector<size_t> held;
  for (size_t i = 0; i < track.lanes.size(); ++i) {
    const LaneState state = WalkLane(track.lanes[i], beat, ref);
    if (state.held) held.push_back(i);
    values[i] = LaneValue(track, state, beat, static_cast<float>(bpm));
  }
  for (const auto& modulator : track.modulators)
    if (modulator->kind == ModulatorKind::Arp)
      ApplyArp(static_cast<const Arp&>(*modulator), held, beat, ref, values);
  return values;
}

float GetNoteValue(NoteData* notes, int track, double beat, double bpm) {
  if (!notes) return 0.0f;
  GetNoteTrack(*notes, track);  // bounds check before the early return below
  if (beat < 0.0) return 0.0f;
  float best = 0.0f;
  for (float value : GetNoteValues(notes, track, beat, bpm)) best = std::max(best, value);
  return best;
}

std::vector<uint8_t> GetNoteTrackKeys(const NoteData* notes) {
  if (!notes) return {};
  const NoteTrack& track = GetNoteTrack(*notes, 14);
  std::vector<uint8_t> keys;
  for (const NoteLane& lane : track.lanes) keys.push_back(lane.key);
  return keys;
}

void LogNoteTracks(const NoteData& notes) {
  LogInfo("  A total of {} tracks were added:", notes.tracks.size());
  for (size_t i = 0; i < notes.tracks.size(); ++i) {
    const NoteTrack& track = notes.tracks[i];
    size_t events = 0;
    double first = std::numeric_limits<double>::max();
    uint8_t low = 127, high = 0;
    for (const NoteLane& lane : track.lanes) {
      events += lane.events.size();
      if (!lane.events.empty()) first = std::min(first, std::fabs(lane.events.front()));
      low = std::min(low, lane.key);
      high = std::max(high, lane.key);
    }
    LogInfo("   {:02}: {}\n", i, track.name);
    LogInfo("      {} note events, {} different, first at {:.2f}, low/high {}/{} ({}/{})\n",
            events / 2, track.lanes.size(), first, low, high, GetNoteName(low), GetNoteName(high));
  }
}
