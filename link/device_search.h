#pragma once
// The device search: finds the COM port on which the crank with a given serial number answers.

void SearchZAN(int serialSought);
