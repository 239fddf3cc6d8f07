#pragma once

// Runs the program: start-up, the message loop and the end of the process. Returns 0 only
// when start-up fails; otherwise the process ends inside.
int RunQuillfern();

// Switches on display-scaling awareness where the system has it.
void EnableDisplayScalingAwareness();
