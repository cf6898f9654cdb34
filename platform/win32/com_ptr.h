#pragma once
// One owned reference to a COM object.
#include <unknwn.h>

namespace kx {

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
  ~ComPtr() {
    if (object_) object_->Release();
  }
  Interface** out() { return &object_; }
  Interface* get() const { return object_; }
  Interface* operator->() const { return object_; }

 private:
  Interface* object_ = nullptr;
};

}  // namespace kx
