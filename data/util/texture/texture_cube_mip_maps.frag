#version 420
// Prefilters an environment cube map for one roughness: the GGX-weighted average of the
// environment around the direction, with the view taken along the normal (so reflection, normal
// and view coincide). Directions are importance-sampled from the GGX distribution along a
// Hammersley sequence; each sample reads the mip level of the source whose texels match the
// solid angle it stands for, so few samples give a smooth result (a coarser level would widen
// the lobe). The source holds linear light, its mip chain too, so that the averages are averages
// of light.

in vec3 Direction;

uniform samplerCube environmentMap;
uniform float roughness;
uniform uint sampleCount;

out vec4 FragColor;

const float PI = 3.14159265359;

vec2 Hammersley( uint i, uint count )
{
	return vec2( float( i ) / float( count ), float( bitfieldReverse( i ) ) * 2.3283064365386963e-10 );
}

// A half vector around N, distributed by GGX for alpha = roughness^2.
vec3 ImportanceSampleGGX( vec2 xi, vec3 N, float alpha )
{
	float phi = 2.0 * PI * xi.x;
	float cosTheta = sqrt( ( 1.0 - xi.y ) / ( 1.0 + ( alpha * alpha - 1.0 ) * xi.y ) );
	float sinTheta = sqrt( 1.0 - cosTheta * cosTheta );
	vec3 H = vec3( cos( phi ) * sinTheta, sin( phi ) * sinTheta, cosTheta );
	vec3 up = abs( N.z ) < 0.999 ? vec3( 0.0, 0.0, 1.0 ) : vec3( 1.0, 0.0, 0.0 );
	vec3 tangent = normalize( cross( up, N ) );
	vec3 bitangent = cross( N, tangent );
	return normalize( tangent * H.x + bitangent * H.y + N * H.z );
}

float DistributionGGX( float NdotH, float alpha )
{
	float a2 = alpha * alpha;
	float d = NdotH * NdotH * ( a2 - 1.0 ) + 1.0;
	return a2 / ( PI * d * d );
}

vec3 Source( vec3 direction, float lod )
{
	return textureLod( environmentMap, direction, lod ).rgb;
}

void main()
{
	vec3 N = normalize( Direction );
	// Roughness 0 is a mirror: the environment itself.
	if ( roughness <= 0.0 )
	{
		FragColor = vec4( Source( N, 0.0 ), 1.0 );
		return;
	}
	float alpha = roughness * roughness;
	float size = float( textureSize( environmentMap, 0 ).x );
	float texelSolidAngle = 4.0 * PI / ( 6.0 * size * size );
	float maxLod = log2( size );

	vec3 sum = vec3( 0.0 );
	float weight = 0.0;
	for ( uint i = 0u; i < sampleCount; ++i )
	{
		vec3 H = ImportanceSampleGGX( Hammersley( i, sampleCount ), N, alpha );
		vec3 L = normalize( 2.0 * dot( N, H ) * H - N );
		float NdotL = dot( N, L );
		if ( NdotL <= 0.0 ) continue;
		float NdotH = max( dot( N, H ), 0.0 );
		// With V = N the sample's density is D / 4.
		float pdf = DistributionGGX( NdotH, alpha ) * 0.25 + 0.0001;
		float sampleSolidAngle = 1.0 / ( float( sampleCount ) * pdf );
		float lod = clamp( 0.5 * log2( sampleSolidAngle / texelSolidAngle ), 0.0, maxLod );
		sum += Source( L, lod ) * NdotL;
		weight += NdotL;
	}
	FragColor = vec4( sum / max( weight, 0.0001 ), 1.0 );
}
