#pragma once
// Builder of a compound file (version 3, 512-byte sectors): elements are added by name in any
// order, stream data is filled in place, and Serialize() lays out the finished document
// (mini stream for streams under 4096 bytes, FAT, MiniFAT, DIFAT past 109 FAT sectors, a
// red-black tree per storage).
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace chronolin::cfb {

// Where a document written piece by piece goes. Write appends; WriteAt rewrites bytes already
// written (the header, known last).
class Sink {
 public:
  virtual void Write(const uint8_t* data, size_t size) = 0;
  virtual void WriteAt(uint64_t offset, const uint8_t* data, size_t size) = 0;
  virtual uint64_t Position() const = 0;

 protected:
  ~Sink() = default;
};

class Writer {
 public:
  static constexpr uint32_t kRootId = 0;

  Writer();

  // Add a storage or a stream to a storage (kRootId or an id AddStorage returned). The name
  // must be valid and not already used in that storage (compared case-insensitively), else
  // XlsError.
  uint32_t AddStorage(uint32_t parent, std::u16string_view name);
  uint32_t AddStream(uint32_t parent, std::u16string_view name);

  // The content of a stream added with AddStream; stays valid while the writer lives.
  std::vector<uint8_t>& StreamData(uint32_t id);

  // The complete document. Throws XlsError when a stream is too large for the format.
  std::vector<uint8_t> Serialize() const;

  // The complete document into `sink`, with `streamed` (a stream added with AddStream and left
  // empty) filled by `produce`, which writes the stream's bytes to the sink it is given and
  // nothing else. The stream goes straight to the sink, first after the header, so that a
  // large stream is never held in memory; a stream under the mini-stream cutoff is gathered
  // and placed as Serialize() places it.
  void SerializeTo(Sink& sink, uint32_t streamed, const std::function<void(Sink&)>& produce);

 private:
  struct Node {
    std::u16string name;
    uint8_t type;
    std::vector<uint32_t> children;  // in creation order
    std::vector<uint8_t> data;
  };
  uint32_t Add(uint32_t parent, std::u16string_view name, uint8_t type);
  // Everything after the streamed stream's sectors and the header that goes before them.
  void LayOutAround(uint32_t streamed, uint64_t streamed_size, std::vector<uint8_t>& header,
                    std::vector<uint8_t>& tail) const;

  std::deque<Node> nodes_;  // deque: StreamData references survive later additions
};

}  // namespace chronolin::cfb
