#pragma once
class Keys {};
