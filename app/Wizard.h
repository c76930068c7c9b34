#pragma once
// The three-page picture wizard (window class "PelInstn-MainClass").
// Register the class and load the resource pictures; false when anything is missing.
bool prepareWizard();
// Create and show the wizard window over the main window; false if it cannot be created.
bool openWizard();
// Release the wizard's pictures and chip sheet (the controller's cleanup).
void releaseWizard();
