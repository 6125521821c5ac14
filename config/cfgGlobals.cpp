#include <cstring>

#include "config/cfgTypes.h"
#include "config/textFunc.h"

T_cfgStruct cfgParam;
T_idxSat satParam;
T_idxCat catParam;
T_idxFav favParam;
T_idxFavI favIParam;
T_idxBou bouParam;
T_idxBouI bouIParam;
T_idxNat natParam;
char currDir[kPathMax];
char cfgFile[kPathMax];
char icoFile[kPathMax];

const int kLnbFreqMHz[10] = {5150, 5700, 5750, 9750, 10000, 10050, 10600, 10750, 11200, 11475};

namespace builtin {
// The bundled channel database server on this machine.
const char* const kDbHostHex = "3132372E302E302E31";  // 127.0.0.1
const char* const kDbUserHex = "766175736572";        // vauser
const char* const kDbPasswordHex = "76617061737331";  // vapass1
const char* const kDbNameHex = "76656C6172746973";    // velartis
const char* const kForumUrl1Hex =
    "687474703A2F2F666F72756D2E76656C61727469732E6578616D706C652F696E6465782E706870";
const char* const kForumUrl2Hex =
    "687474703A2F2F666F72756D2E76656C61727469732E6578616D706C652F76696577746F7069632E7068703F74"
    "3D6E65772D76657273696F6E";
}  // namespace builtin

void initAppIdentity(T_cfgStruct* cfg) {
    copyText(cfg->appName, "Velartis");
    copyText(cfg->appVersion, "1.3");
}
