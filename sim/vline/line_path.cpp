#include "line_path.h"

#include <algorithm>
#include <utility>

namespace trelon {

void TLinePath::ArmCorrupt(std::size_t offset, std::uint8_t mask) {
    armed_.CorruptAt = offset;
    armed_.CorruptMask = mask;
}

void TLinePath::Accept(TLineTime now, std::span<const std::uint8_t> bytes,
                       const TCharFormat& format) {
    auto charTime = CharTime(format);
    for (std::uint8_t value : bytes) {
        TLineTime start = std::max(now, senderFree_);
        if (!frameOpen_ || start >= closeAt_) BeginFrame();
        senderFree_ = start + charTime;
        closeAt_ = senderFree_ + FrameGap(format);
        TFrame& frame = frames_.back();
        lineFree_ = DueTime(frame, now, start, charTime);
        pending_.push_back({{Record(frame, value), format}, lineFree_, frame.Record.Index});
        ++counters_.SentBytes;
    }
}

void TLinePath::BeginFrame() {
    frameOpen_ = true;
    TFrame frame;
    frame.Record.Direction = direction_;
    frame.Record.Index = ++frameCount_;
    frame.Faults = std::exchange(armed_, TFaults{});
    frame.Record.Dropped = frame.Faults.Drop;
    frame.Record.Delay = frame.Faults.Delay;
    frames_.push_back(std::move(frame));
}

// Notes the byte in the frame and returns it as it goes onto the line.
std::uint8_t TLinePath::Record(TFrame& frame, std::uint8_t value) {
    TFrameRecord& record = frame.Record;
    if (frame.Faults.CorruptAt == record.Length) {
        value ^= frame.Faults.CorruptMask;
        record.Corrupted = true;
    }
    if (record.Bytes.size() < kRecordedBytes) record.Bytes.push_back(value);
    ++record.Length;
    ++frame.Unsent;
    return value;
}

// A character reaches the receiver when its last stop bit is over; characters follow each
// other and never overtake, so a delayed frame holds back what comes after it.
TLineTime TLinePath::DueTime(const TFrame& frame, TLineTime now, TLineTime start,
                             std::chrono::nanoseconds charTime) const {
    auto delay = frame.Faults.Delay;
    if (!paced_) return std::max(now + delay, lineFree_);
    return std::max(start + delay, lineFree_) + charTime;
}

void TLinePath::Deliver(TLineTime now, const TLineSink& sink) {
    std::vector<TPending> batch;
    while (!held_ && !pending_.empty() && pending_.front().Due <= now) {
        TPending byte = pending_.front();
        pending_.pop_front();
        TFrame& frame = FrameOf(byte.Frame);
        --frame.Unsent;
        if (frame.Record.Dropped) continue;
        if (cut_) {
            Lose(frame);
            continue;
        }
        batch.push_back(byte);
    }
    if (batch.empty()) return;
    std::vector<TLineByte> bytes;
    for (const TPending& byte : batch) bytes.push_back(byte.Byte);
    TTaken taken = sink(bytes);
    std::size_t count = std::min(taken.Count, batch.size());
    counters_.DeliveredBytes += count;
    auto rest = std::span(batch).subspan(count);
    if (taken.Full) {
        PutBack(rest);
        held_ = !rest.empty();
        return;
    }
    for (const TPending& byte : rest) Lose(FrameOf(byte.Frame));
}

void TLinePath::PutBack(std::span<const TPending> bytes) {
    for (auto byte = bytes.rbegin(); byte != bytes.rend(); ++byte) {
        ++FrameOf(byte->Frame).Unsent;
        pending_.push_front(*byte);
    }
}

TLinePath::TFrame& TLinePath::FrameOf(std::uint64_t index) {
    return frames_[index - frames_.front().Record.Index];
}

void TLinePath::Lose(TFrame& frame) {
    ++frame.Record.LostBytes;
    ++counters_.LostBytes;
}

std::vector<TFrameRecord> TLinePath::TakeFinished(TLineTime now) {
    if (frameOpen_ && now >= closeAt_) frameOpen_ = false;
    std::vector<TFrameRecord> finished;
    while (!frames_.empty() && frames_.front().Unsent == 0 && (frames_.size() > 1 || !frameOpen_)) {
        Count(frames_.front().Record);
        finished.push_back(std::move(frames_.front().Record));
        frames_.pop_front();
    }
    return finished;
}

void TLinePath::Count(const TFrameRecord& record) {
    ++counters_.Frames;
    if (record.Dropped) ++counters_.DroppedFrames;
    if (record.Corrupted) ++counters_.CorruptedFrames;
    if (record.Delay.count() > 0) ++counters_.DelayedFrames;
}

std::optional<TLineTime> TLinePath::NextDeadline() const {
    std::optional<TLineTime> deadline;
    if (!pending_.empty() && !held_) deadline = pending_.front().Due;
    if (frameOpen_ && (!deadline || closeAt_ < *deadline)) deadline = closeAt_;
    return deadline;
}

}  // namespace trelon
