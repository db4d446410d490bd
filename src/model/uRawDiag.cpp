#include "model/uRawDiag.h"
#include "core/uBiDirDiagProtocol.h"

bool TRawDiag::Execute()
{
    if (Protocol) {
        Protocol->SetMemMode(1);
        Protocol->ReadBlock(0, Data.data(), BlockSize);
    }
    Notify(this, 0);
    return true;
}
