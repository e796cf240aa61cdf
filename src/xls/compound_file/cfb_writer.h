#pragma once
// Builder of a compound file (version 3, 512-byte sectors): elements are added by name in any
// order, stream data is filled in place, and Serialize() lays out the finished document
// (mini stream for streams under 4096 bytes, FAT, MiniFAT, DIFAT past 109 FAT sectors, a
// red-black tree per storage).
#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace chronolin {

// Where a document written piece by piece goes. Write appends; WriteAt rewrites bytes already
// written (the header, known last).
class TCfbSink {
 public:
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
  virtual void WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) = 0;
  virtual std::uint64_t Position() const = 0;

 protected:
  ~TCfbSink() = default;
};

class TCfbWriter {
 public:
  static constexpr std::uint32_t kRootId = 0;

  TCfbWriter();

  // Add a storage or a stream to a storage (kRootId or an id AddStorage returned). The name
  // must be valid and not already used in that storage (compared case-insensitively), else
  // XlsError.
  std::uint32_t AddStorage(std::uint32_t parent, std::u16string_view name);
  std::uint32_t AddStream(std::uint32_t parent, std::u16string_view name);

  // The content of a stream added with AddStream; stays valid while the writer lives.
  std::vector<std::uint8_t>& StreamData(std::uint32_t id);

  // The complete document. Throws XlsError when a stream is too large for the format.
  std::vector<std::uint8_t> Serialize() const;
  // The same handed to `sink` piece by piece in file order, the large streams straight from
  // their data (no second copy of them). The checks come first: on an error nothing has been
  // handed over.
  void WriteTo(const std::function<void(std::span<const std::uint8_t>)>& sink) const;
  // The complete document into `sink`, with `streamed` (a stream added with AddStream and left
  // empty) filled by `produce`, which writes the stream's bytes to the sink it is given and
  // nothing else. The stream goes straight to the sink, first after the header, so that a
  // large stream is never held in memory; a stream under the mini-stream cutoff is gathered
  // and placed as Serialize() places it.
  void SerializeTo(TCfbSink& sink, std::uint32_t streamed,
                   const std::function<void(TCfbSink&)>& produce);

 private:
  struct Node {
    std::u16string name;
    std::uint8_t type;
    std::vector<std::uint32_t> children;  // in creation order
    std::vector<std::uint8_t> data;
  };
  std::uint32_t Add(std::uint32_t parent, std::u16string_view name, std::uint8_t type);
  // Everything after the streamed stream's sectors, and the header that goes before them.
  void LayOutAround(std::uint32_t streamed, std::uint64_t streamed_size,
                    std::vector<std::uint8_t>& header, std::vector<std::uint8_t>& tail) const;

  std::deque<Node> nodes_;  // deque: StreamData references survive later additions
};

}  // namespace chronolin
