// Plain-text log files of the correction library, written into the working
// directory only when a call's log switch equals 1.
#ifndef CORR_COMMON_GLB_LOG_H
#define CORR_COMMON_GLB_LOG_H

#include <cstdarg>

#include "oryntcorr_types.h"

namespace NAMESPACE_CORR {

constexpr const char *CORR_LOG_INIT = "orynalib_tofcorrection_init_log.txt";
constexpr const char *CORR_LOG_INIT_COSTTIME = "orynalib_tofcorrection_init_costtime_log.txt";
constexpr const char *CORR_LOG_DYNCONFIG = "orynalib_tofcorrection_dynconfig_log.txt";
constexpr const char *CORR_LOG_DYNCONFIG_COSTTIME = "orynalib_tofcorrection_dynconfig_costtime_log.txt";
constexpr const char *CORR_LOG_RUN = "orynalib_tofcorrection_run_log.txt";
constexpr const char *CORR_LOG_RUN_COSTTIME = "orynalib_tofcorrection_run_costtime_log.txt";
constexpr const char *CORR_LOG_RELEASE = "orynalib_tofcorrection_release_log.txt";
constexpr const char *CORR_LOG_VERSION = "orynalib_tofcorrection_version.txt";

// One log file of one call. Each entry opens the file, writes and closes it;
// a file that cannot be opened drops the entry. Off unless ucSwitch is 1.
class GLB_LogFile {
public:
    GLB_LogFile(const char *pcFileName, unsigned char ucSwitch)
        : m_pcFileName(pcFileName), m_bOn(ucSwitch == 1)
    {
    }
    bool IsOn() const { return m_bOn; }
    const char *FileName() const { return m_pcFileName; }
    // Truncates the file and writes the first entry.
    void Reset(const char *pcFormat, ...) const __attribute__((format(printf, 2, 3)));
    // Appends one entry.
    void Write(const char *pcFormat, ...) const __attribute__((format(printf, 2, 3)));

private:
    void Emit(const char *pcMode, const char *pcFormat, va_list args) const;
    const char *m_pcFileName;
    bool m_bOn;
};

}  // namespace NAMESPACE_CORR

#endif  // CORR_COMMON_GLB_LOG_H
