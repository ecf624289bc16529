/* A stand-in frei0r filter for the packaging test: the entry points a host
 * needs, and an update that makes every pixel one colour (0x11223344), so
 * that the test sees the filter ran. */
#include <frei0r.h>
#include <stdlib.h>

int f0r_init(void) { return 1; }
void f0r_deinit(void) {}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  info->name = "meridel";
  info->author = "Meridel tests";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = 0;
  info->minor_version = 1;
  info->num_params = 0;
  info->explanation = "stand-in";
}

void f0r_get_param_info(f0r_param_info_t* info, int index) { (void)info, (void)index; }

f0r_instance_t f0r_construct(unsigned int width, unsigned int height) {
  unsigned int* size = malloc(sizeof *size);
  if (size) *size = width * height;
  return size;
}

void f0r_destruct(f0r_instance_t instance) { free(instance); }
void f0r_set_param_value(f0r_instance_t i, f0r_param_t p, int index) { (void)i, (void)p, (void)index; }
void f0r_get_param_value(f0r_instance_t i, f0r_param_t p, int index) { (void)i, (void)p, (void)index; }

void f0r_update(f0r_instance_t instance, double time, const uint32_t* in, uint32_t* out) {
  (void)time, (void)in;
  for (unsigned int n = 0; n < *(unsigned int*)instance; ++n) out[n] = 0x11223344u;
}
