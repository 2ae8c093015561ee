#pragma once
// Small string helpers used across the tool.
