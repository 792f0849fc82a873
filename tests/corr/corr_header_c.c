/* The public header compiles as C and the API links from a C program. */
#include <stdio.h>
#include <string.h>

#include "oryntcorr.h"

int main(void)
{
    CORR_FIXPARA stFix;
    unsigned int uiSucc = 1, uiAbn = 1;
    void *pHandle;
    char cVersion[ORYNTCORR_VERSION_BYTES];

    memset(&stFix, 0, sizeof(stFix));
    strcpy(stFix.cSensorID, "KRX5830");
    stFix.eUsecaseID = CORR_USECASE_ID_SF;
    stFix.usInImgWidth = 320;
    stFix.usInImgHeight = 240;
    stFix.eIsHasEbd = CORR_EBD_AFTER_IMG;
    stFix.uiEbdBytes = CORR_EBD_RECORD_BYTES;
    stFix.ucDepthPhaseNum = 4;
    stFix.usOutImgWidth = 320;
    stFix.usOutImgHeight = 240;
    stFix.eOutBufferType_Depth = OIMG_BUFFER_INNER;

    pHandle = oryntcorrInit(&stFix, &uiSucc, &uiAbn, 0, 0);
    if (pHandle == NULL || uiSucc != CORR_INIT_SUCCESS ||
        uiAbn != (unsigned int)CORR_INIT_ABNORMAL_INVALID_IN_CALI_PARAS_POINTER) {
        fprintf(stderr, "Init: handle %p, success %u, abnormal %u\n", pHandle, uiSucc, uiAbn);
        return 1;
    }
    oryntcorrSetDynamicConfig(pHandle, NULL, &uiSucc, &uiAbn, 0);
    if (uiSucc != 0 || uiAbn != (unsigned int)CORR_ARITH_ABNORMAL_INVALID_DYNPARA_POINTER) {
        fprintf(stderr, "SetDynamicConfig: success %u, abnormal %u\n", uiSucc, uiAbn);
        return 1;
    }
    oryntcorrRelease(&pHandle, 0);
    if (pHandle != NULL) return 1;
    if (oryntcorrGetUsecaseImagesCnt(CORR_USECASE_ID_DF_BGPH_BG_GRAY, 4) != CORR_MAX_SUBFRAMES) return 1;
    oryntcorrGetVersion(cVersion);
    if (strncmp(cVersion, ORYNTCORR_VERSION_PREFIX, strlen(ORYNTCORR_VERSION_PREFIX)) != 0) return 1;
    printf("C interface: 1 passed, 0 failed\n");
    return 0;
}
