#pragma once
// The freeze progress box and the closing fade.

void FreezeTick();
void FadeTick();
