// TFiler: what reader and writer have in common, as objects see it in
// DefineProperties. An object declares each named block it stores itself:
//
//   void TFoo::DefineProperties(TFiler& filer) {
//       inherited::DefineProperties(filer);
//       filer.DefineBinaryProperty("Data", [this](TStream& s) { ReadData(s); },
//                                  [this](TStream& s) { WriteData(s); }, !Empty());
//   }
//
// A reader calls the read routine when the stream holds a block of that name
// (letter case ignored); a writer calls the write routine when has_data.
#pragma once

#include <functional>
#include <string>

namespace klice {

class TReader;
class TWriter;
class TStream;
class TComponent;

class TFiler {
public:
    using ReaderProc = std::function<void(TReader&)>;
    using WriterProc = std::function<void(TWriter&)>;
    using StreamProc = std::function<void(TStream&)>;

    virtual ~TFiler() = default;

    // A value read and written through the reader's and writer's value routines.
    virtual void DefineProperty(const std::string& name, ReaderProc read, WriterProc write, bool has_data) = 0;
    // A binary block: the read routine gets a stream over the block's bytes
    // (it may leave some unread), the write routine fills a stream.
    virtual void DefineBinaryProperty(const std::string& name, StreamProc read, StreamProc write, bool has_data) = 0;

    // The component whose stream is being read or written, and the one that
    // component names are looked up below.
    TComponent* Root() const { return root_; }
    TComponent* LookupRoot() const { return lookup_root_; }

protected:
    TComponent* root_ = nullptr;
    TComponent* lookup_root_ = nullptr;
};

}  // namespace klice
