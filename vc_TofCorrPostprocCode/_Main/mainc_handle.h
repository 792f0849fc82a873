// Registry of the handles Init returned and Release has not yet freed.
#ifndef CORR_MAIN_MAINC_HANDLE_H
#define CORR_MAIN_MAINC_HANDLE_H

#include "_Main/mainc_internal.h"

namespace NAMESPACE_CORR {

void MAINC_RegisterHandle(const void *p);
void MAINC_UnregisterHandle(const void *p);
bool MAINC_IsLiveHandle(const void *p);

}  // namespace NAMESPACE_CORR

#endif  // CORR_MAIN_MAINC_HANDLE_H
