// Connects a pair's detector controls (one capture, two decoders, two level views) to
// its line logic. Loop thread only; the controls and the logic must outlive the wiring
// (disconnectDetectorControls clears the events again).
#pragma once

#include "line/pair_line_logic.h"
#include "platform/detector_controls.h"

namespace kovra::line {

struct PairDetectorControls {
    TWaveExCtrl& WaveExCtrl1;
    TPhoneToneDecoder& PTDecoder1;
    TPhoneToneDecoder& PTDecoder2;
    TSpectrumView& WaveView1;
    TSpectrumView& WaveView2;
};

// Routes OnDTMF, OnCallerID, OnToneDetected, OnSpectrumData (with the decoder's peak
// frequencies) and OnPeak of each side to the handlers of that side. The capture's
// OnRecordDone belongs to the detector start and supervision (PairDetectorControl).
void connectDetectorControls(PairLineLogic& logic, const PairDetectorControls& controls);
void disconnectDetectorControls(const PairDetectorControls& controls);

}  // namespace kovra::line
