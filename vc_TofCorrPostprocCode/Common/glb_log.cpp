#include "Common/glb_log.h"

#include <cstdio>

namespace NAMESPACE_CORR {

void GLB_LogFile::Emit(const char *pcMode, const char *pcFormat, va_list args) const
{
    if (!m_bOn || m_pcFileName == nullptr) return;
    FILE *pf = std::fopen(m_pcFileName, pcMode);
    if (pf == nullptr) return;
    std::vfprintf(pf, pcFormat, args);
    std::fclose(pf);
}

void GLB_LogFile::Reset(const char *pcFormat, ...) const
{
    va_list args;
    va_start(args, pcFormat);
    Emit("w", pcFormat, args);
    va_end(args);
}

void GLB_LogFile::Write(const char *pcFormat, ...) const
{
    va_list args;
    va_start(args, pcFormat);
    Emit("a", pcFormat, args);
    va_end(args);
}

}  // namespace NAMESPACE_CORR
