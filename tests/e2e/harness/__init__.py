"""Test harness: Wine sessions on their own X server, a UI driver inside them, X input tools."""
