// The correction API is exported from liboryn4c under unmangled C names.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "oryntcorr.h"

namespace {

const char *const kApi[] = {
    "oryntcorrInit",
    "oryntcorrSetDynamicConfig",
    "oryntcorrRunCorrection",
    "oryntcorrRelease",
    "oryntcorrGetVersion",
    "oryntcorrGetUsecaseImagesCnt",
    "oryntcorrGetUsecaseModFreqsCnt",
    "oryntcorrGetUsecaseThisFreq1stPhIdx",
    "oryntcorrGetUsecaseThisFreq1stBgPhIdx",
    "oryntcorrGetUsecaseGrayIdx",
    "oryntcorrGetUsecaseBackgroundIdx",
};

// Names of the defined dynamic text symbols of the library, from nm.
std::set<std::string> DefinedDynamicTextSymbols(const char *pcLibrary)
{
    std::set<std::string> names;
    const std::string cmd = std::string("nm -D --defined-only '") + pcLibrary + "'";
    FILE *pf = popen(cmd.c_str(), "r");
    if (pf == nullptr) return names;
    char cLine[1024];
    while (std::fgets(cLine, sizeof(cLine), pf) != nullptr) {
        char cAddr[64], cType[8], cName[900];
        if (std::sscanf(cLine, "%63s %7s %899s", cAddr, cType, cName) == 3 && (cType[0] == 'T' || cType[0] == 't')) {
            names.insert(cName);
        }
    }
    pclose(pf);
    return names;
}

TEST(CorrSymbols, ApiIsExportedUnmangled)
{
    const std::set<std::string> names = DefinedDynamicTextSymbols(ORYN4C_LIBRARY_PATH);
    ASSERT_FALSE(names.empty()) << "nm found no symbols in " << ORYN4C_LIBRARY_PATH;
    for (const char *pc : kApi) EXPECT_EQ(names.count(pc), 1u) << pc;
}

TEST(CorrSymbols, DlsymFindsEveryNameAndTheyAreTheLinkedFunctions)
{
    void *pLib = dlopen(ORYN4C_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD);
    if (pLib == nullptr) pLib = dlopen(ORYN4C_LIBRARY_PATH, RTLD_NOW);
    ASSERT_NE(pLib, nullptr) << dlerror();
    for (const char *pc : kApi) EXPECT_NE(dlsym(pLib, pc), nullptr) << pc;
    // The name resolves to the very function a C++ caller links against.
    EXPECT_EQ(dlsym(pLib, "oryntcorrInit"), reinterpret_cast<void *>(&NAMESPACE_CORR::oryntcorrInit));
    using GetVersion = void (*)(char *);
    auto pfn = reinterpret_cast<GetVersion>(dlsym(pLib, "oryntcorrGetVersion"));
    ASSERT_NE(pfn, nullptr);
    char cVersion[ORYNTCORR_VERSION_BYTES] = {};
    pfn(cVersion);
    EXPECT_EQ(std::string(cVersion).rfind(ORYNTCORR_VERSION_PREFIX, 0), 0u);
    dlclose(pLib);
}

}  // namespace
