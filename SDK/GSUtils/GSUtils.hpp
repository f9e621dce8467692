#pragma once

void GSSysBeep();
