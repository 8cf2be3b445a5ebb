// ComPtr<T>: holds one reference to an object of the object model. Construction
// from a raw pointer adds a reference (as does copying); Attach takes over a
// reference the caller already owns; destruction releases.
#pragma once

#include <type_traits>
#include <utility>

#include "platform/com/Unknown.h"

template <class T>
class ComPtr;

template <class T>
class ComPtrRef {
 public:
  explicit ComPtrRef(ComPtr<T>* owner) : owner_(owner) {}
  operator T**() const;
  operator void**() const { return reinterpret_cast<void**>(static_cast<T**>(*this)); }
  operator ComPtr<T>*() const { return owner_; }
  T* operator*() const;

 private:
  ComPtr<T>* owner_;
};

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  ComPtr(T* p) : p_(p) {  // NOLINT: implicit like the platform's smart pointer
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
  ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ComPtr(const ComPtr<U>& o) : ComPtr(static_cast<T*>(o.Get())) {}
  ~ComPtr() { Reset(); }

  ComPtr& operator=(const ComPtr& o) {
    ComPtr(o).Swap(*this);
    return *this;
  }
  ComPtr& operator=(ComPtr&& o) noexcept {
    ComPtr(std::move(o)).Swap(*this);
    return *this;
  }
  ComPtr& operator=(T* p) {
    ComPtr(p).Swap(*this);
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Reset();
    return *this;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

  // The address to receive an interface; any held reference is released first.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &p_;
  }
  // &ptr converts to T** (releasing what was held, for out-parameters), to
  // void** and to ComPtr* (for functions that take the smart pointer).
  ComPtrRef<T> operator&() { return ComPtrRef<T>(this); }
  ComPtr* AddressOf() { return this; }

  void Attach(T* p) {
    Reset();
    p_ = p;
  }
  T* Detach() { return std::exchange(p_, nullptr); }
  void Reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  void Swap(ComPtr& o) noexcept { std::swap(p_, o.p_); }

  // QueryInterface for another interface of the same object.
  template <class U>
  HRESULT As(ComPtr<U>* out) const {
    if (!p_) return E_POINTER;
    return p_->QueryInterface(com::IidOf<U>(),
                              reinterpret_cast<void**>(out->ReleaseAndGetAddressOf()));
  }
  template <class U>
  HRESULT As(ComPtrRef<U> out) const {
    return As(static_cast<ComPtr<U>*>(out));
  }
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> out;
    As(out.AddressOf());
    return out;
  }

  // Hands out a reference: *out gets the pointer with one reference added.
  HRESULT CopyTo(T** out) const {
    if (!out) return E_POINTER;
    *out = p_;
    if (p_) p_->AddRef();
    return S_OK;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
  friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T>
ComPtrRef<T>::operator T**() const {
  return owner_->ReleaseAndGetAddressOf();
}
template <class T>
T* ComPtrRef<T>::operator*() const {
  return owner_->Get();
}

namespace com {

// True when both pointers lead to the same object (compared by IUnknown).
bool IsSameObject(IUnknown* a, IUnknown* b);

}  // namespace com
