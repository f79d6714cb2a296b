#include "fileops/ovwrt.h"

#include "config/settings.h"
#include "fileops/fileOP.h"
#include "items/cab.h"
#include "items/texts.h"
#include "platform/error.h"
#include "platform/seam.h"

bool OverwriteCheck(TFile &incoming, TFile &existing) {
    if (OverwriteAll)
        return true;
    if (FileOpWindow && FileOpWindow->AddedPass) {
        bool mirror = existing.GetKind() == KindMirrorLog;
        switch (mirror ? Settings().OpMirrorDelay : Settings().OpCopyDelay) {
        case PolicyKeep:
            return false;
        case PolicyOverwrite:
            return true;
        case PolicyKeepNewer:
            if (mirror)
                return incoming.Modified < existing.Modified;
            break;
        default:
            break;
        }
    }
    return AskOverwrite(incoming, existing);
}

bool AskOverwrite(TFile &incoming, TFile &existing) {
    TOverwriteQuestion question;
    question.FileName = incoming.Name();
    question.IncomingPath = incoming.GetLocalPath();
    question.IncomingSize = SizeText(incoming.GetSize());
    question.IncomingDate = DateText(false, incoming.Modified);
    question.ExistingSize = SizeText(existing.GetSize());
    question.ExistingDate = DateText(false, existing.Modified);
    switch (seam::FileOpDialogs().AskOverwrite(question)) {
    case TAnswer::Yes:
        return true;
    case TAnswer::All:
        OverwriteAll = true;
        return true;
    case TAnswer::Cancel:
        CancelRequested = true;
        throw TAbort();
    default:
        return false;
    }
}
