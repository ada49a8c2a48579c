// FailingSink: passes a recording's frames on to a real sink and fails at the frame given, as a full
// disk would.
#pragma once

#include <cstddef>
#include <memory>

#include "record/frame_sink.h"

namespace glimmer::testing {

class FailingSink final : public FrameSink {
 public:
  FailingSink(std::unique_ptr<FrameSink> inner, long failAt) : inner_(std::move(inner)), failAt_(failAt) {}
  bool begin() override { return inner_->begin(); }
  bool frame(long index, CellView cells, const char* bytes, std::size_t size) override {
    return index < failAt_ && inner_->frame(index, cells, bytes, size);
  }
  bool finish(bool complete) override { return inner_->finish(complete); }
  WrittenOutput written() const override { return inner_->written(); }

 private:
  std::unique_ptr<FrameSink> inner_;
  long failAt_;
};

}  // namespace glimmer::testing
