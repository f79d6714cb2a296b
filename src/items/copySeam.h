#pragma once
// The copy engine as the items see it: CopyTo creates items and folders itself and hands
// the file copies and the overwrite question to the engine installed here.
class TClip;
class TFile;
class TTree;

class TCopyEngine {
public:
    virtual ~TCopyEngine() = default;
    // Copies the data of the source file item into the file of the target item; true when the
    // target's file now holds the source's data. May throw TError (TAbort for a cancel, once
    // the file in progress is done), which passes out of CopyTo unchanged.
    virtual bool CopyFileData(TFile &source, TFile &target) = 0;
    // Whether an existing target item may be overwritten by the source.
    virtual bool OverwriteCheck(TFile &source, TFile &existing) = 0;
    // A paste begins: the cancel flag of the previous one is forgotten. False when a paste is
    // running already (the event-loop turns of a copy let the user start another); nothing
    // is pasted then.
    virtual bool BeginPaste() { return true; }
    // Runs one clipboard batch into target. Without an engine that knows batches nothing is
    // pasted.
    virtual void RunBatch(TClip &, TTree &) {}
};

TCopyEngine &CopyEngine();
// Installs an engine (nullptr restores the default). Not owned.
void SetCopyEngine(TCopyEngine *engine);
