# What `cmake --install` puts where, besides the programs themselves.
