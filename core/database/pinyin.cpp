#include "pinyin.h"
