#include "streams/uzSStrm.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "streams/UzLib.h"
#include "uzExceptions.h"
#include "streams/uzStrRes.h"

namespace uz {

int64_t OffsetPosition(int64_t position, int64_t offset) {
  int64_t moved = 0;
  if (!__builtin_add_overflow(position, offset, &moved)) return moved;
  return offset > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

int64_t TStream::Size() {
  int64_t position = Seek(0, kSeekCurrent);
  int64_t size = Seek(0, kSeekEnd);
  Seek(position, kSeekBeginning);
  return size;
}

TS_BufferStream::TS_BufferStream(TStream& underlying)
    : stream_(underlying), buffer_(new uint8_t[kBufferSize]) {
  end_ = buffer_.get();
}

TS_BufferStream::~TS_BufferStream() {
  if (state_ != State::Writing) return;
  try {
    Flush();
  } catch (...) {
    // Nothing can be reported from here; the data is lost as a failed flush would lose it.
  }
}

int64_t TS_BufferStream::BufferOffset() const {
  switch (state_) {
    case State::Reading:
      return cur_ - end_;
    case State::Writing:
      return cur_ - buffer_.get();
    default:
      return 0;
  }
}

void TS_BufferStream::Discard() {
  cur_ = nullptr;
  end_ = buffer_.get();
  state_ = State::Idle;
}

bool TS_BufferStream::Fill() {
  std::size_t got = stream_.Read(buffer_.get(), kBufferSize);
  cur_ = buffer_.get();
  end_ = cur_ + got;
  state_ = got > 0 ? State::Reading : State::Idle;
  mirrorsUnderlying_ = true;
  if (afterFill_) afterFill_(*this);
  return got > 0;
}

std::size_t TS_BufferStream::ReadChunkDirect(uint8_t* destination) {
  std::size_t got = stream_.Read(destination, kBufferSize);
  // The buffer now holds nothing of the new position.
  cur_ = end_ = buffer_.get();
  state_ = got > 0 ? State::Reading : State::Idle;
  if (afterFill_) afterFill_(*this);
  return got;
}

bool TS_BufferStream::WriteChunkDirect(const uint8_t* source) {
  std::size_t written = stream_.Write(source, kBufferSize);
  cur_ = buffer_.get();
  state_ = State::Idle;
  if (afterFlush_) afterFlush_(*this);
  return written == kBufferSize;
}

bool TS_BufferStream::Flush() {
  if (state_ != State::Writing) return true;  // nothing pending
  std::size_t pending = static_cast<std::size_t>(cur_ - buffer_.get());
  std::size_t written = pending > 0 ? stream_.Write(buffer_.get(), pending) : 0;
  cur_ = buffer_.get();
  state_ = State::Idle;
  if (afterFlush_) afterFlush_(*this);
  return written == pending;
}

std::size_t TS_BufferStream::Read(void* buffer, std::size_t count) {
  if (state_ == State::Writing) Flush();
  // Outside the reading state the buffer holds nothing to read: the first
  // request fills it from the underlying position.
  if (state_ != State::Reading) cur_ = end_ = buffer_.get();
  auto* out = static_cast<uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (cur_ == end_) {
      // With the buffer drained, whole chunks before the last go straight to
      // the caller: the same reads of kBufferSize, one copy fewer. The last
      // chunk still passes through the buffer, which so ends as a fill would
      // leave it (put-back and seeks within it keep working).
      if (count - done > kBufferSize) {
        std::size_t got = ReadChunkDirect(out + done);
        if (got == 0) break;
        done += got;
        continue;
      }
      if (!Fill()) break;
    }
    std::size_t n = std::min(count - done, static_cast<std::size_t>(end_ - cur_));
    std::memcpy(out + done, cur_, n);
    cur_ += n;
    done += n;
  }
  return done;
}

std::size_t TS_BufferStream::Write(const void* buffer, std::size_t count) {
  if (state_ == State::Reading) {
    // Write where the reader stands, as a seek to that position would.
    stream_.Seek(stream_.Position() + BufferOffset(), kSeekBeginning);
    Discard();
  }
  if (state_ != State::Writing) {
    cur_ = buffer_.get();
    end_ = cur_ + kBufferSize;
    state_ = State::Writing;
  }
  const auto* in = static_cast<const uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    // Into an empty buffer a whole chunk would be copied only to be flushed
    // at once: it goes straight to the stream, in the same kBufferSize write.
    if (cur_ == buffer_.get() && count - done >= kBufferSize) {
      const bool written = WriteChunkDirect(in + done);
      done += kBufferSize;  // counted like a chunk whose flush failed
      if (!written) break;
      state_ = State::Writing;
      continue;
    }
    std::size_t n = std::min(count - done, static_cast<std::size_t>(end_ - cur_));
    std::memcpy(cur_, in + done, n);
    cur_ += n;
    done += n;
    if (cur_ == end_) {
      if (!Flush()) break;
      state_ = State::Writing;  // the rest goes into the emptied buffer
    }
  }
  if (cur_ == buffer_.get()) state_ = State::Idle;
  return done;
}

int64_t TS_BufferStream::Seek(int64_t offset, int origin) {
  int64_t position = stream_.Position() + BufferOffset();
  int64_t target = 0;
  switch (origin) {
    case kSeekBeginning:
      target = offset;
      break;
    case kSeekCurrent:
      target = OffsetPosition(position, offset);
      break;
    case kSeekEnd: {
      // Both signs count back from the end.
      int64_t back = offset == std::numeric_limits<int64_t>::min()
                         ? std::numeric_limits<int64_t>::max()
                         : (offset < 0 ? -offset : offset);
      target = Size() - back;
      break;
    }
    default:
      throw Exception(FormatWith(StreamMessage(kMsgInvalidSeekOrigin), std::to_string(origin)));
  }
  if (target == position) return position;
  if (state_ == State::Reading && mirrorsUnderlying_) {
    // The buffer holds the bytes just before the underlying position: a
    // target among them only moves the pointer (a member's local header and
    // its data usually lie in the buffer the catalogue or the previous member
    // left behind).
    const int64_t underlying = position - BufferOffset();
    const int64_t buffered = end_ - buffer_.get();
    if (target >= underlying - buffered && target <= underlying) {
      cur_ = end_ - (underlying - target);
      return target;
    }
  }
  if (!Flush()) throw EStreamError(StreamMessage(kMsgSeekError));
  int64_t result = stream_.Seek(target, kSeekBeginning);
  Discard();
  return result;
}

int64_t TS_BufferStream::Size() {
  return std::max(stream_.Size(), stream_.Position() + BufferOffset());
}

void TS_BufferStream::PutBack(uint8_t b) {
  if (cur_ == nullptr || cur_ == buffer_.get()) {
    throw EStreamError(StreamMessage(kMsgPutbackOverflow));
  }
  if (cur_[-1] != b) mirrorsUnderlying_ = false;  // no longer the stream's bytes
  *--cur_ = b;
}

}  // namespace uz
