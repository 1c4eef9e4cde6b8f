#pragma once
// Streams of the archive component: the abstract TStream and the buffered
// stream through which every archive read and every output write goes, so
// that byte-at-a-time scans and small decoder reads cost no system call.
// Positions and sizes are 64-bit throughout.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace uz {

// Seek origins.
constexpr int kSeekBeginning = 0;
constexpr int kSeekCurrent = 1;
constexpr int kSeekEnd = 2;

// A position moved by an offset, held at the ends of the 64-bit range rather
// than overflowing: a size from a damaged archive then points past any file,
// where reads find nothing and the callers' own checks report the damage.
int64_t OffsetPosition(int64_t position, int64_t offset);

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads up to count bytes; fewer only at the end of the data.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes up to count bytes; returns how many were accepted.
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves to offset from origin (kSeekBeginning, kSeekCurrent, kSeekEnd) and
  // returns the new position.
  virtual int64_t Seek(int64_t offset, int origin) = 0;

  int64_t Position() { return Seek(0, kSeekCurrent); }
  void SetPosition(int64_t position) { Seek(position, kSeekBeginning); }
  // By default found by seeking to the end and back.
  virtual int64_t Size();
};

// A buffer of kBufferSize bytes over a stream it does not own. The buffer is
// idle, holds data read ahead (reading), or data not yet written (writing).
// The logical position is the underlying position adjusted by the buffered
// bytes; querying it (Seek(0, kSeekCurrent)) never disturbs the buffer.
class TS_BufferStream : public TStream {
 public:
  static constexpr std::size_t kBufferSize = 8192;
  enum class State : uint8_t { Idle = 0, Reading = 1, Writing = 2 };
  using TNotify = std::function<void(TS_BufferStream&)>;

  explicit TS_BufferStream(TStream& underlying);
  // Flushes pending written data; its outcome is not checked.
  ~TS_BufferStream() override;

  // Serves from the buffer, refilling it whenever it runs dry; whole chunks
  // before the last bypass an empty buffer. Underlying reads are always of
  // kBufferSize bytes.
  std::size_t Read(void* buffer, std::size_t count) override;
  // Fills the buffer, flushing it whenever it is full; whole chunks bypass
  // an empty buffer, so underlying writes are always of kBufferSize bytes
  // until the final flush. A failed flush (or chunk write) ends the write;
  // the result counts the bytes taken, including that chunk.
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Origin kSeekEnd counts |offset| back from the end, whatever its sign.
  // A target equal to the logical position leaves the buffer untouched, and
  // so does a target among the bytes read ahead: only the pointer moves.
  // Raises uz::Exception "Invalid seek origin (%d)" for another origin and
  // EStreamError "Seek error" when pending data cannot be flushed.
  int64_t Seek(int64_t offset, int origin) override;
  // The larger of the underlying size and the logical position.
  int64_t Size() override;

  // Reads up to kBufferSize bytes ahead; true when any byte came.
  virtual bool Fill();
  // Writes the pending bytes; true when all of them were accepted.
  virtual bool Flush();
  // Steps back one byte in the buffer and stores b there; raises
  // EStreamError "Putback overflow" when no byte precedes the position.
  virtual void PutBack(uint8_t b);

  State GetState() const { return state_; }
  void SetAfterFill(TNotify notify) { afterFill_ = std::move(notify); }
  void SetAfterFlush(TNotify notify) { afterFlush_ = std::move(notify); }

 protected:
  TStream& Underlying() { return stream_; }

 private:
  // Buffered bytes relative to the underlying position: <= 0 reading,
  // >= 0 writing, 0 idle.
  int64_t BufferOffset() const;
  void Discard();
  // A whole kBufferSize chunk between the caller and the underlying stream,
  // past an empty buffer; each stands for the fill or flush it saves.
  std::size_t ReadChunkDirect(uint8_t* destination);
  bool WriteChunkDirect(const uint8_t* source);

  TStream& stream_;
  std::unique_ptr<uint8_t[]> buffer_;
  uint8_t* cur_ = nullptr;  // absent until the first read or write after a seek
  uint8_t* end_ = nullptr;  // reading: end of valid data; writing: end of buffer
  State state_ = State::Idle;
  // Reading state: the buffer holds exactly the underlying bytes before the
  // underlying position (false once a put-back has stored a different byte).
  bool mirrorsUnderlying_ = false;
  TNotify afterFill_;
  TNotify afterFlush_;
};

}  // namespace uz
