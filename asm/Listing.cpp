// Placeholder until the assembly language lands.
