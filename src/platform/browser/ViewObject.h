// The interface through which a document draws itself into a device context.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/InterfaceTraits.h"
#include "platform/win/Gdi.h"

#ifdef _WIN32
#include <oleidl.h>
#else

struct RECTL {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPCRECTL = const RECTL*;
struct DVTARGETDEVICE;
struct LOGPALETTE;
struct IAdviseSink;

#define DV_E_DVASPECT HR_(0x8004006B)

enum DVASPECT { DVASPECT_CONTENT = 1, DVASPECT_THUMBNAIL = 2, DVASPECT_ICON = 4, DVASPECT_DOCPRINT = 8 };

extern "C" const IID IID_IViewObject;

interface IViewObject : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Draw(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DVTARGETDEVICE* ptd,
                                         HDC hdcTargetDev, HDC hdcDraw, LPCRECTL lprcBounds, LPCRECTL lprcWBounds,
                                         BOOL(STDMETHODCALLTYPE* pfnContinue)(ULONG_PTR dwContinue),
                                         ULONG_PTR dwContinue) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetColorSet(DWORD dwDrawAspect, LONG lindex, void* pvAspect,
                                                DVTARGETDEVICE* ptd, HDC hicTargetDev, LOGPALETTE** ppColorSet) = 0;
  virtual HRESULT STDMETHODCALLTYPE Freeze(DWORD dwDrawAspect, LONG lindex, void* pvAspect, DWORD* pdwFreeze) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unfreeze(DWORD dwFreeze) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* pAdvSink) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* pAspects, DWORD* pAdvf, IAdviseSink** ppAdvSink) = 0;
};

#endif  // !_WIN32

VORN_DECLARE_IID(IViewObject, IID_IViewObject);
