// The imported character model. Empty for now; the model import fills it in.
#pragma once

struct Model {};
