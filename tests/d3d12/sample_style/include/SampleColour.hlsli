// Reached only through fxc's /I folder (the .cso build of the sample): the colour as the vertices give it.
float4 SampleColour(float4 colour) { return colour; }
