#pragma once

// How often a step repeats under a restriction set (the name is spelled as the
// regulation files and the main application know it).
enum Frequncies : int
{
    FREQ_NONE = -1, // acceptance or on demand only
    FREQ_DAILY = 0,
    FREQ_WEEKLY = 1,
    FREQ_MONTHLY = 2,
    FREQ_QUARTERLY = 3,
    FREQ_SEMIANNUALLY = 4,
    FREQ_ANNUALLY = 5,
    FREQ_TWO_WEEKS = 6,
    FREQ_FIVE_YEARS = 7,
    FREQ_TWICE_A_WEEK = 8,
};

// Bits of a restriction set and of a display's restriction mask.
enum Restrictions : unsigned
{
    RESTRICTION_CRT = 1,
    RESTRICTION_FLAT = 2,
    RESTRICTION_COLOR = 4,
    RESTRICTION_MONOCHROME = 8,
    RESTRICTION_STABLE_AMBIENT = 16,
    RESTRICTION_UNSTABLE_AMBIENT = 32,
    RESTRICTION_BACKLIGHT_CONTROL = 64,
    RESTRICTION_NO_BACKLIGHT_CONTROL = 128,
    RESTRICTION_BACKLIGHT_WARNING = 256,
    RESTRICTION_SINGLE_DISPLAY = 512,
    RESTRICTION_MULTI_DISPLAY = 1024,
};

// What kind of test a step belongs to.
enum Target : int
{
    TARGET_ALL = 0,
    TARGET_ACCEPTANCE = 1,
    TARGET_CONSTANCY = 2,
};
