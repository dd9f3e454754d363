// C++ declarations of the text-to-speech component the main toolbar reads
// selections aloud with: its class and its dual interface ITalker.
//
// The library calls ITalker early-bound, by v-table slot: Speak is slot 7,
// right after the three methods of IUnknown and the four of IDispatch, and the
// order below is the contract. Window handles cross as 32-bit integers, which
// is all of a window handle that Windows uses, on 64-bit Windows too.
#pragma once

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/win/WinTypes.h"

namespace vorn {

// {C1FDCD36-D5E8-47F1-8A91-38FB5C7CD4DE}
inline constexpr CLSID CLSID_CoTalker = {0xC1FDCD36, 0xD5E8, 0x47F1, {0x8A, 0x91, 0x38, 0xFB, 0x5C, 0x7C, 0xD4, 0xDE}};
// {3B5BC9A9-F9F5-4C69-AAF8-E8B9FCA392AB}
inline constexpr IID IID_ITalker = {0x3B5BC9A9, 0xF9F5, 0x4C69, {0xAA, 0xF8, 0xE8, 0xB9, 0xFC, 0xA3, 0x92, 0xAB}};

interface ITalker : IDispatch {
  // 7: returns while speech goes on, so that Stop from the same thread can end it.
  virtual HRESULT STDMETHODCALLTYPE Speak(LONG AWindow, BSTR AText) = 0;
  // 8: AWindow 0 stops whatever is spoken; a window's handle, what was spoken for it.
  virtual HRESULT STDMETHODCALLTYPE Stop(LONG AWindow) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVoiceCount(LONG* ACount) = 0;
  // 10: AIndex from 0 to the count less one.
  virtual HRESULT STDMETHODCALLTYPE GetVoiceName(LONG AIndex, BSTR* AName) = 0;
  // 11: the voice of the next Speak.
  virtual HRESULT STDMETHODCALLTYPE SelectVoice(LONG AIndex) = 0;
};

// v-table slot of each method, for checks that declaration and implementations agree.
inline constexpr const wchar_t* kTalkerSlotNames[] = {L"Speak", L"Stop", L"GetVoiceCount", L"GetVoiceName",
                                                     L"SelectVoice"};
inline constexpr int kTalkerFirstSlot = 7;

// The component's creator: an in-process server or a local one, as registered.
// Raises com::ComError with the code of the failure.
class CoTalker {
 public:
  static com::ComPtr<ITalker> Create();
};

// The 32-bit form of a window handle that ITalker takes.
LONG TalkerWindow(HWND window);

}  // namespace vorn

VORN_DECLARE_IID(vorn::ITalker, vorn::IID_ITalker);
