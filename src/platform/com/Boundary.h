// The policies of the library's boundaries. Every COM method and exported
// function runs its body through one of them, named at the top of the body,
// so that nothing thrown inside ever crosses into the caller:
//
//   HRESULT TFoo::Bar() {
//     return com::Boundary(com::MayFail, [&] { ...; return S_OK; });
//   }
//   HRESULT TBand::ShowDW(BOOL show) {
//     return com::Boundary(com::MustAnswer(S_OK), [&] { ... });
//   }
//
// MayFail: a failure becomes its classified code (HResultFromCurrentException:
//   std::bad_alloc E_OUTOFMEMORY, a ComError its own code, anything else
//   E_UNEXPECTED). Automation objects (AutoObject.h) also describe the failure
//   as the thread's error information, since their interfaces support it.
// MustAnswer(hr): a method whose answer is fixed whatever happens inside;
//   any failure is swallowed and hr answered.
//
// A body returns its HRESULT, or nothing for S_OK.
#pragma once

#include <type_traits>
#include <utility>

#include "platform/com/ComError.h"

namespace com {

struct MayFailPolicy {};
inline constexpr MayFailPolicy MayFail{};

struct MustAnswer {
  constexpr explicit MustAnswer(HRESULT hr) : answer(hr) {}
  HRESULT answer;
};

namespace detail {

template <class F>
HRESULT RunBody(F& body) {
  if constexpr (std::is_void_v<std::invoke_result_t<F&>>) {
    body();
    return S_OK;
  } else {
    return body();
  }
}

}  // namespace detail

template <class F>
HRESULT Boundary(MayFailPolicy, F&& body) noexcept {
  try {
    return detail::RunBody(body);
  } catch (...) {
    return HResultFromCurrentException();
  }
}

template <class F>
HRESULT Boundary(MustAnswer policy, F&& body) noexcept {
  try {
    return detail::RunBody(body);
  } catch (...) {
    return policy.answer;
  }
}

}  // namespace com
