"""The character: skeleton, body geometry, walk cycle and texture layout, shared by the asset scripts."""
